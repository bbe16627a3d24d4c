#pragma once

#include "platform/document.h"

// The document of the template. It holds no data: the mesh is the process's
// current model, loaded only by the view's Open command.
class CTavroDoc : public CDocument {
public:
    CTavroDoc();
    ~CTavroDoc() override;

    bool OnNewDocument() override;
    // Stores nothing and loads nothing.
    void Serialize(CArchive& ar) override;
};
