#include <QComboBox>

#include "platform/ui/StdCtrls.h"
#include "platform/ui/WidgetBridge.h"

namespace {
QComboBox& Widget(TCustomComboBox* combo) {
    return *WidgetAs<QComboBox>(combo);
}

QVariant ObjectData(TObject* object) {
    return QVariant::fromValue(reinterpret_cast<quintptr>(object));
}
} // namespace

AnsiString TComboBoxStrings::Get(int index) const {
    CheckIndex(index, GetCount());
    return FromQString(Widget(combo_).itemText(index));
}

int TComboBoxStrings::GetCount() const {
    return Widget(combo_).count();
}

void TComboBoxStrings::Insert(int index, const AnsiString& text) {
    InsertObject(index, text, nullptr);
}

void TComboBoxStrings::InsertObject(int index, const AnsiString& text, TObject* object) {
    CheckIndex(index, GetCount() + 1);
    QComboBox& widget = Widget(combo_);
    // Adding items selects none of them, as the platform's boxes do.
    bool noneSelected = widget.currentIndex() < 0;
    widget.insertItem(index, ToQString(text), ObjectData(object));
    if (noneSelected)
        widget.setCurrentIndex(-1);
}

int TComboBoxStrings::AddObject(const AnsiString& text, TObject* object) {
    int index = GetCount();
    if (combo_->GetSorted()) {
        index = 0;
        while (index < GetCount() && CompareText(Get(index), text) <= 0)
            ++index;
    }
    InsertObject(index, text, object);
    return index;
}

void TComboBoxStrings::Delete(int index) {
    CheckIndex(index, GetCount());
    QComboBox& widget = Widget(combo_);
    // Removing the selected item leaves no selection rather than selecting a neighbour.
    bool selected = widget.currentIndex() == index;
    widget.removeItem(index);
    if (selected)
        widget.setCurrentIndex(-1);
}

void TComboBoxStrings::Clear() {
    Widget(combo_).clear();
}

void TComboBoxStrings::Put(int index, const AnsiString& text) {
    CheckIndex(index, GetCount());
    Widget(combo_).setItemText(index, ToQString(text));
}

TObject* TComboBoxStrings::GetObject(int index) const {
    CheckIndex(index, GetCount());
    return reinterpret_cast<TObject*>(Widget(combo_).itemData(index).value<quintptr>());
}

void TComboBoxStrings::PutObject(int index, TObject* object) {
    CheckIndex(index, GetCount());
    Widget(combo_).setItemData(index, ObjectData(object));
}
