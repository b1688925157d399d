#include "platform/ui/UiClasses.h"

#include "platform/classes/ClassRegistry.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

void RegisterUiClasses() {
    RegisterClasses<TForm, TButton, TLabel, TProgressBar, TImage, TComboBox, TEdit, TOpenDialog,
                    TSaveDialog>();
}

// Under LeakSanitizer: the system's font configuration library keeps caches it never frees;
// those are not leaks of this program. Here, because every program that uses the window layer
// calls into this unit, so the linker keeps the hook.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
