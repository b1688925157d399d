#pragma once
// Root of the class tree.
#include "platform/rtl/SysUtils.h"

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    // The class's own name, as the class registry and form descriptions know it.
    virtual AnsiString ClassName() const { return "TObject"; }
};
