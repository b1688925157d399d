#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QStyledItemDelegate>

#include "platform/ui/StdCtrls.h"
#include "platform/ui/WidgetBridge.h"

namespace {
class ComboWidget : public QComboBox {
public:
    explicit ComboWidget(TCustomComboBox* combo) : combo_(combo) {}

    void showPopup() override {
        combo_->DropDown();
        QComboBox::showPopup();
    }

private:
    TCustomComboBox* combo_;
};

// Items of the drop-down list are exactly ItemHeight pixels high.
class ItemHeightDelegate : public QStyledItemDelegate {
public:
    ItemHeightDelegate(QObject* parent, int height)
        : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(height_);
        return size;
    }

private:
    int height_;
};
} // namespace

VOKA_PUBLISH(TCustomComboBox, p) {
    p.Enum("Style", &TCustomComboBox::GetStyle, &TCustomComboBox::SetStyle).Default(csDropDown);
    p.Integer("DropDownCount", &TCustomComboBox::GetDropDownCount,
              &TCustomComboBox::SetDropDownCount)
        .Default(8);
    p.Integer("ItemHeight", &TCustomComboBox::GetItemHeight, &TCustomComboBox::SetItemHeight);
    p.Bool("Sorted", &TCustomComboBox::GetSorted, &TCustomComboBox::SetSorted).Default(false);
    p.String("Text", &TCustomComboBox::GetText, &TCustomComboBox::SetText);
    p.Event("OnChange", &TCustomComboBox::GetOnChange, &TCustomComboBox::SetOnChange);
    p.Event("OnDropDown", &TCustomComboBox::GetOnDropDown, &TCustomComboBox::SetOnDropDown);
}

VOKA_PUBLISH(TComboBox, p) {}

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), items_(std::make_unique<TComboBoxStrings>(this)) {
    auto* combo = new ComboWidget(this);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setMaxVisibleItems(dropDownCount_);
    combo->setItemDelegate(new ItemHeightDelegate(combo, itemHeight_));
    QObject::connect(combo, &QComboBox::activated, combo,
                     [this](int) { RunGuarded(this, [this] { UserPicked(); }); });
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                     [this](const QString&) { RunGuarded(this, [this] { UserEdited(); }); });
    SetColor(clWindow);
    Impl().Widget = combo;
    SetBounds(0, 0, 145, 21);
    WidgetAttached();
    SetTabStop(true);
}

TCustomComboBox::~TCustomComboBox() = default;

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
    style_ = value;
    auto* combo = WidgetAs<QComboBox>(this);
    if (!combo)
        return;
    bool editable = value == csDropDown || value == csSimple;
    if (combo->isEditable() == editable)
        return;
    combo->setEditable(editable);
    if (editable) {
        combo->setInsertPolicy(QComboBox::NoInsert);
        QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, combo,
                         [this](const QString&) { RunGuarded(this, [this] { UserEdited(); }); });
    }
}

void TCustomComboBox::SetItemHeight(int value) {
    if (value <= 0)
        return;
    itemHeight_ = value;
    if (auto* combo = WidgetAs<QComboBox>(this)) {
        QAbstractItemDelegate* previous = combo->itemDelegate();
        combo->setItemDelegate(new ItemHeightDelegate(combo, value));
        delete previous;
    }
}

void TCustomComboBox::SetDropDownCount(int value) {
    dropDownCount_ = value;
    if (auto* combo = WidgetAs<QComboBox>(this))
        combo->setMaxVisibleItems(std::max(value, 1));
}

void TCustomComboBox::SetSorted(bool value) {
    if (value == sorted_)
        return;
    sorted_ = value;
    if (!value || items_->Count() < 2)
        return;
    std::vector<std::pair<AnsiString, TObject*>> entries;
    for (int i = 0; i < items_->Count(); ++i)
        entries.emplace_back(items_->Strings(i), items_->Objects(i));
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return CompareText(a.first, b.first) < 0;
    });
    AnsiString selected = GetItemIndex() >= 0 ? items_->Strings(GetItemIndex()) : AnsiString();
    bool hadSelection = GetItemIndex() >= 0;
    items_->Clear();
    for (auto& [text, object] : entries)
        items_->InsertObject(items_->Count(), text, object);
    if (hadSelection)
        SetItemIndex(items_->IndexOf(selected));
}

int TCustomComboBox::GetItemIndex() const {
    auto* combo = WidgetAs<QComboBox>(this);
    return combo ? combo->currentIndex() : -1;
}

void TCustomComboBox::SetItemIndex(int value) {
    auto* combo = WidgetAs<QComboBox>(this);
    if (!combo)
        return;
    if (value < 0 || value >= combo->count())
        value = -1;
    combo->setCurrentIndex(value);
    if (value < 0 && combo->isEditable())
        combo->setEditText(QString());
}

AnsiString TCustomComboBox::GetText() const {
    auto* combo = WidgetAs<QComboBox>(this);
    return combo ? FromQString(combo->currentText()) : AnsiString();
}

void TCustomComboBox::SetText(const AnsiString& value) {
    auto* combo = WidgetAs<QComboBox>(this);
    if (!combo)
        return;
    if (combo->isEditable()) {
        combo->setEditText(ToQString(value));
        return;
    }
    int index = -1;
    for (int i = 0; i < items_->Count() && index < 0; ++i)
        if (SameText(items_->Strings(i), value))
            index = i;
    SetItemIndex(index);
}

bool TCustomComboBox::GetDroppedDown() const {
    auto* combo = WidgetAs<QComboBox>(this);
    return combo && combo->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool value) {
    auto* combo = WidgetAs<QComboBox>(this);
    if (!combo)
        return;
    if (value)
        combo->showPopup();
    else
        combo->hidePopup();
}

void TCustomComboBox::UserPicked() {
    Click();
    Change();
}

void TCustomComboBox::UserEdited() {
    Change();
}

void TCustomComboBox::Change() {
    if (onChange_)
        onChange_(this);
}

void TCustomComboBox::DropDown() {
    if (onDropDown_)
        onDropDown_(this);
}

void TCustomComboBox::ApplyColor() {
    if (QWidget* widget = WidgetOf(this)) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Base, ToQColor(GetColor()));
        widget->setPalette(palette);
    }
}
