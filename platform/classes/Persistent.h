#pragma once
// Objects that can copy themselves from one another and be stored in form descriptions.
#include "platform/classes/Publisher.h"
#include "platform/classes/TypeInfo.h"
#include "platform/rtl/Object.h"

class TFiler;

class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClassInfo();
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }
    // The name of the class as published (VOKA_CLASS), so registry and descriptions agree.
    AnsiString ClassName() const override { return ClassInfo().ClassName; }

    // Copies source into this object by asking source to AssignTo it; raises EConvertError
    // "Cannot assign a %s to a %s" when neither side knows how.
    virtual void Assign(TPersistent* source);
    // Declares properties stored in a form description beyond the published ones.
    virtual void DefineProperties(TFiler* filer);
    virtual TPersistent* GetOwner() { return nullptr; }
    virtual AnsiString GetNamePath();

protected:
    virtual void AssignTo(TPersistent* dest);

private:
    void AssignError(TPersistent* source);
};
