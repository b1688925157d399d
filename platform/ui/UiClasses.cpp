// The controls and dialogs form descriptions may create by class name.
#include "platform/classes/ClassRegistry.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

extern const int VokaUiClassesAnchor;
const int VokaUiClassesAnchor = (RegisterClasses<TForm, TButton, TLabel, TProgressBar, TImage,
                                                 TComboBox, TEdit, TOpenDialog, TSaveDialog>(),
                                 1);
