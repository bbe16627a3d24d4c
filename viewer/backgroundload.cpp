#include "viewer/backgroundload.h"

#include "model/meshmodel.h"
#include "model/plyreader.h"

#include <utility>

BackgroundLoad::BackgroundLoad(FILE* stream, std::string extension, uint64_t totalBytes)
    : m_extension(std::move(extension)), m_totalBytes(totalBytes)
{
    m_thread = std::thread([this, stream] { run(stream); });
}

BackgroundLoad::~BackgroundLoad()
{
    cancel();
    if (m_thread.joinable())
        m_thread.join();
    freeMeshModel(m_model);
}

void BackgroundLoad::run(FILE* stream)
{
    MeshModel* model = loadModel(stream, m_extension.c_str(), &m_reason, &m_control);
    std::fclose(stream);
    m_model = model;
    m_finished.store(true, std::memory_order_release);
}

MeshModel* BackgroundLoad::takeModel()
{
    if (!finished())
        return nullptr;
    MeshModel* model = m_model;
    m_model = nullptr;
    return model;
}
