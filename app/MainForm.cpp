#include "app/MainForm.h"

#include "platform/classes/FormStreaming.h"
#include "platform/classes/FormText.h"
#include "platform/classes/Resources.h"

AnsiString MainFormDescription() {
    auto bytes = FindModuleResource(MAIN_FORM_RESOURCE);
    if (bytes.empty())
        throw Exception("The main window's description is missing from the program");
    return AnsiString(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::unique_ptr<TreRore> CreateSettingsPort() {
    const TFormObject form = ParseFormText(MainFormDescription());
    for (const TFormObject& child : form.Children) {
        if (child.Name == "reRore1") {
            TComponent* component = ReadComponentFromText(PrintFormText(child), nullptr);
            if (auto* port = dynamic_cast<TreRore*>(component))
                return std::unique_ptr<TreRore>(port);
            delete component;
        }
    }
    throw Exception("The main window's description holds no serial component");
}
