#pragma once
// Buttons, labels, combo boxes and edits.
#include "platform/classes/WindowProc.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

class TButton : public TWinControl {
    VOKA_CLASS(TButton, TWinControl)
public:
    // Presses the button as the user does: through the toolkit's click, so an error in the
    // handler goes to the application's error display.
    void Press();
    explicit TButton(TComponent* AOwner);

    AnsiString GetCaption() const { return GetText(); }
    void SetCaption(const AnsiString& value) { SetText(value); }
    bool GetDefault() const { return default_; }
    void SetDefault(bool value);

protected:
    void TextChanged() override;

private:
    bool default_ = false;
};

// A text; with AutoSize (the default) its size follows its text and font once loaded.
// "&x" marks an accelerator and "&&" is an ampersand, as in the platform's labels.
class TLabel : public TControl {
    VOKA_CLASS(TLabel, TControl)
public:
    explicit TLabel(TComponent* AOwner);

    AnsiString GetCaption() const { return GetText(); }
    void SetCaption(const AnsiString& value) { SetText(value); }
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetWordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);

    // The text as shown, accelerator marks taken out.
    AnsiString DisplayText() const;

protected:
    void TextChanged() override;
    void ApplyFont() override;
    void AdjustBounds();

private:
    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
};

VOKA_ENUM(TComboBoxStyle, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed,
          csOwnerDrawVariable)

class TCustomComboBox;

// The items of a combo box: texts with an object each (not owned), kept in the widget.
class TComboBoxStrings : public TStrings {
public:
    explicit TComboBoxStrings(TCustomComboBox* combo) : combo_(combo) {}

    AnsiString Get(int index) const override;
    int GetCount() const override;
    void Insert(int index, const AnsiString& text) override;
    void InsertObject(int index, const AnsiString& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    void Put(int index, const AnsiString& text) override;
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* object) override;
    // A sorted box puts the item at its sorted place.
    int AddObject(const AnsiString& text, TObject* object) override;

    AnsiString ClassName() const override { return "TComboBoxStrings"; }

private:
    TCustomComboBox* combo_;
};

class TCustomComboBox : public TWinControl {
    VOKA_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TStrings* GetItems() const { return items_.get(); }
    int GetItemIndex() const;
    // -1 selects nothing; an index outside the items selects nothing as well.
    void SetItemIndex(int value);
    TComboBoxStyle GetStyle() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    int GetItemHeight() const { return itemHeight_; }
    void SetItemHeight(int value);
    int GetDropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);
    bool GetSorted() const { return sorted_; }
    // Turning it on sorts the items present (letter case ignored).
    void SetSorted(bool value);
    // The selected item's text for a drop-down list, the edit text otherwise. Setting it on
    // a drop-down list selects the item of that text (none when there is none).
    AnsiString GetText() const override;
    void SetText(const AnsiString& value) override;
    bool GetDroppedDown() const;
    void SetDroppedDown(bool value);

    TNotifyEvent GetOnChange() const { return onChange_; }
    void SetOnChange(TNotifyEvent value) { onChange_ = value; }
    TNotifyEvent GetOnDropDown() const { return onDropDown_; }
    void SetOnDropDown(TNotifyEvent value) { onDropDown_ = value; }

    // The user picked an item (Click, then Change) or edited the text (Change).
    virtual void Change();
    virtual void DropDown();

    // The toolkit's notices; for the window layer.
    void UserPicked();
    void UserEdited();

protected:
    void ApplyColor() override;

private:
    std::unique_ptr<TComboBoxStrings> items_;
    TComboBoxStyle style_ = csDropDown;
    int itemHeight_ = 16;
    int dropDownCount_ = 8;
    bool sorted_ = false;
    TNotifyEvent onChange_;
    TNotifyEvent onDropDown_;
};

class TComboBox : public TCustomComboBox {
    VOKA_CLASS(TComboBox, TCustomComboBox)
public:
    using TCustomComboBox::TCustomComboBox;
};

using TKeyPressEvent = TEvent<TObject*, char&>;

// A one-line text edit. Its messages go through a replaceable window procedure, so that a
// component can hook it as a terminal: a typed character arrives as WM_CHAR, received text
// goes in with EM_REPLACESEL. The edit's own procedure passes WM_CHAR through KeyPress
// (OnKeyPress may change the character or, by setting it to 0, swallow it) and inserts it
// at the caret (8 deletes before the caret); EM_REPLACESEL inserts its text at the caret.
class TCustomEdit : public TWinControl, public TWindowProcHost {
    VOKA_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* AOwner);

    AnsiString GetText() const override;
    void SetText(const AnsiString& value) override;
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    int GetMaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    int GetSelStart() const;
    void SetSelStart(int value);
    int GetSelLength() const;
    void SetSelLength(int value);
    AnsiString GetSelText() const;
    // Replaces the selection (or inserts at the caret), also in a read-only edit.
    void SetSelText(const AnsiString& value);
    void Clear() { SetText(AnsiString()); }
    void SelectAll();

    TNotifyEvent GetOnChange() const { return onChange_; }
    void SetOnChange(TNotifyEvent value) { onChange_ = value; }
    TKeyPressEvent GetOnKeyPress() const { return onKeyPress_; }
    void SetOnKeyPress(TKeyPressEvent value) { onKeyPress_ = value; }

    virtual void Change();
    // A typed character on its way in; returns what goes on (0: nothing).
    virtual char KeyPress(char key);

    TWndMethod GetWindowProc() const override { return windowProc_; }
    // An empty procedure puts the edit's own back.
    void SetWindowProc(TWndMethod proc) override;
    HWND GetWindowHandle() override { return GetHandle(); }
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam) override;
    // The edit's own procedure.
    virtual void WndProc(TMessage& Message);

private:
    bool readOnly_ = false;
    int maxLength_ = 0;
    TNotifyEvent onChange_;
    TKeyPressEvent onKeyPress_;
    TWndMethod windowProc_;
};

class TEdit : public TCustomEdit {
    VOKA_CLASS(TEdit, TCustomEdit)
public:
    using TCustomEdit::TCustomEdit;
};
