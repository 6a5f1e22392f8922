// The modal dialog that asks for a new column group's header text, orientation and header
// visibility.
#pragma once

#include "platform/design/DesignForms.h"

namespace kv {

class TKvColumnGroupDialog : public TObject
{
public:
    TKvColumnGroupDialog();
    ~TKvColumnGroupDialog() override;

    // Clears the header, focuses it and shows the dialog; true on OK.
    bool Execute();
    QString GetHeader() const { return edtHeader->GetText(); }
    bool GetVertical() const { return rbVertical->GetChecked(); }
    bool GetHeaderVisible() const { return chkShowHeader->GetChecked(); }
    TDesignWindow* Window() const { return FWindow.get(); }

    TDesignEdit* edtHeader = nullptr;
    TDesignRadioButton* rbHorizontal = nullptr;
    TDesignRadioButton* rbVertical = nullptr;
    TDesignCheckBox* chkShowHeader = nullptr;
    TDesignButton* btnOK = nullptr;
    TDesignButton* btnCancel = nullptr;

private:
    void UpdateOk();

    std::unique_ptr<TDesignWindow> FWindow;
};

} // namespace kv
