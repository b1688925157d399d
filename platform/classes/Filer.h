#pragma once
// Reading and writing components as form descriptions. Components take part beyond their
// published properties by overriding DefineProperties:
//
//     void TFileStorage::DefineProperties(TFiler* filer) {
//         inherited::DefineProperties(filer);
//         filer->DefineBinaryProperty("StoredData",
//             [this](TStream& s) { ReadData(&s); }, [this](TStream& s) { WriteData(&s); },
//             Count() != 0);
//     }
#include <functional>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/FormText.h"
#include "platform/rtl/Streams.h"

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

class TFiler : public TObject {
public:
    TComponent* Root() const { return root_; }
    // A value written and read through the filer's value operations (ReadInteger, ...).
    // The writer writes it only when hasData is true.
    virtual void DefineProperty(const AnsiString& name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    // Raw bytes, hexadecimal in the description. The reader's stream is positioned at the
    // first byte of the value.
    virtual void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

protected:
    TComponent* root_ = nullptr;
};

class TReader : public TFiler {
public:
    explicit TReader(TFormObject description) : description_(std::move(description)) {}

    // Reads the description into an existing root (a form created in code): its
    // properties, its components (created by class name, owned by the root), references
    // and event bindings, then Loaded on every component read. On failure the components
    // this read created are destroyed and the error propagates.
    void ReadRootComponent(TComponent* root);
    // Creates the root by its registered class name, owned by owner (or by the caller when
    // owner is nullptr), and reads into it.
    TComponent* ReadComponent(TComponent* owner);

    void DefineProperty(const AnsiString& name, const TReaderProc& readData,
                        const TWriterProc& writeData, bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // Values of a DefineProperty reader, in the order they were written.
    int64_t ReadInteger();
    AnsiString ReadString();
    bool ReadBoolean();
    AnsiString ReadIdent();
    void ReadListBegin();
    bool EndOfList();
    void ReadListEnd();

private:
    struct Fixup {
        TPersistent* Instance;
        const TPropInfo* Prop;
        AnsiString Target;
        AnsiString Context;
        int Line;
    };
    struct ListCursor {
        const TFormValue* List;
        size_t Next;
    };

    void ReadObject(const TFormObject& node, TComponent* component);
    void ReadProperty(TComponent* component, const TFormProperty& property);
    void SetPropertyValue(TPersistent& instance, const TPropInfo& prop, const TFormValue& value,
                          const AnsiString& context);
    TComponent* CreateChild(const TFormObject& node, TComponent* parent);
    void ResolveFixups();
    TComponent* FindReferenced(const AnsiString& name) const;
    void CallLoaded();
    void Abandon();
    bool IsAlive(TComponent* component) const;
    const TFormValue& NextValue(TFormValue::TKind kind, const char* what);
    [[noreturn]] void Fail(int line, const AnsiString& message) const;

    TFormObject description_;
    std::vector<TComponent*> loaded_; // creation order, root first
    std::vector<TComponent*> created_;
    std::vector<Fixup> fixups_;
    // The DefineProperties lookup in progress.
    const TFormProperty* pending_ = nullptr;
    AnsiString pendingName_;
    bool pendingHandled_ = false;
    const TFormValue* current_ = nullptr;
    bool currentUsed_ = false;
    std::vector<ListCursor> lists_;
};

class TWriter : public TFiler {
public:
    // The description of root and everything GetChildren yields under it.
    TFormObject WriteRootComponent(TComponent* root);

    void DefineProperty(const AnsiString& name, const TReaderProc& readData,
                        const TWriterProc& writeData, bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    void WriteInteger(int64_t value);
    void WriteString(const AnsiString& value);
    void WriteBoolean(bool value);
    void WriteIdent(const AnsiString& value);
    void WriteListBegin();
    void WriteListEnd();

private:
    TFormObject WriteObject(TComponent* component);
    void WriteProperties(TPersistent& instance, const AnsiString& prefix, int depth);
    bool ValueOf(TPersistent& instance, const TPropInfo& prop, TFormValue& value);
    AnsiString ReferenceName(TComponent* component) const;
    void Emit(TFormValue value);

    TFormObject* object_ = nullptr;
    AnsiString prefix_;
    std::vector<TFormValue> values_; // the value being written by a DefineProperty writer
    std::vector<TFormValue> openLists_;
};
