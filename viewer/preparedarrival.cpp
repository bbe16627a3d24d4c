#include "viewer/preparedarrival.h"

#include "model/meshmodel.h"

#include <utility>

PreparedArrival::~PreparedArrival()
{
    freeMeshModel(copy);
}

PreparedArrival::PreparedArrival(PreparedArrival&& other) noexcept
    : arrays(std::move(other.arrays)), copy(std::exchange(other.copy, nullptr)), copyArrays(std::move(other.copyArrays))
{
}

PreparedArrival& PreparedArrival::operator=(PreparedArrival&& other) noexcept
{
    if (this != &other) {
        arrays = std::move(other.arrays);
        freeMeshModel(std::exchange(copy, std::exchange(other.copy, nullptr)));
        copyArrays = std::move(other.copyArrays);
    }
    return *this;
}
