#pragma once

// What a 3MF package's relationships say: which part is the root model part,
// and which parts are encrypted (named by the key store, or by a
// relationship of the encrypted-file type).

#include <set>
#include <string>

#include "model/loadcontrol.h"
#include "model/threemf/threemfpackage.h"

class ThreeMfRelations {
public:
    // Reads _rels/.rels, the root part's relationships and the key store;
    // false with the reason when one of them cannot be read.
    bool read(const ThreeMfPackage& package, std::string& reason, LoadControl* control);

    // "/3D/3dmodel.model" when the relationships name none.
    const std::string& rootPart() const { return root_; }
    bool encrypted(const std::string& part) const;

private:
    bool readRelations(const ThreeMfPackage& package, const std::string& part, const std::string& folder,
                       std::string& reason, LoadControl* control);
    bool readKeyStore(const ThreeMfPackage& package, const std::string& part, std::string& reason,
                      LoadControl* control);

    std::string root_ = "/3D/3dmodel.model";
    std::string keyStore_;
    std::set<std::string> encrypted_; // part names in lower case
};
