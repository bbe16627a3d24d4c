#pragma once

#include "platform/view.h"

// A plain view that only fills its area with black; used where no real view
// is wanted.
class CPlaceholderView : public CView {
    Q_OBJECT
public:
    CPlaceholderView();
    void OnDraw() override;
};
