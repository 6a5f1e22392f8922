// The modal dialog that asks for a new data column's field name and header text.
#pragma once

#include "platform/design/DesignForms.h"

namespace kv {

class TKvColumnDialog : public TObject
{
public:
    TKvColumnDialog();
    ~TKvColumnDialog() override;

    // Clears both edits, focuses the field name and shows the dialog; true on OK.
    bool Execute();
    QString GetFieldName() const { return edtFieldName->GetText(); }
    QString GetHeader() const { return edtHeader->GetText(); }
    TDesignWindow* Window() const { return FWindow.get(); }

    TDesignEdit* edtFieldName = nullptr;
    TDesignEdit* edtHeader = nullptr;
    TDesignButton* btnOK = nullptr;
    TDesignButton* btnCancel = nullptr;

private:
    // OK while the trimmed field name or the trimmed header is not empty.
    void UpdateOk();

    std::unique_ptr<TDesignWindow> FWindow;
};

} // namespace kv
