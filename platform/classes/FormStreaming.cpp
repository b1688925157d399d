#include "platform/classes/FormStreaming.h"

#include "platform/classes/Filer.h"
#include "platform/classes/Resources.h"

void ReadRootComponent(const AnsiString& text, TComponent* root) {
    TReader reader(ParseFormText(text));
    reader.ReadRootComponent(root);
}

TComponent* ReadComponentFromText(const AnsiString& text, TComponent* owner) {
    TReader reader(ParseFormText(text));
    return reader.ReadComponent(owner);
}

void ReadComponentRes(const AnsiString& resourceName, TComponent* root) {
    auto bytes = FindModuleResource(resourceName);
    if (bytes.empty())
        throw EResNotFound(Format("Resource %s not found", resourceName));
    ReadRootComponent(AnsiString(reinterpret_cast<const char*>(bytes.data()), bytes.size()), root);
}

AnsiString WriteComponentToText(TComponent* root) {
    TWriter writer;
    return PrintFormText(writer.WriteRootComponent(root));
}
