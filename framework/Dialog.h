// CDialog: modal and modeless dialogs from a template, with data exchange and a routing table.
#pragma once

#include "MessageRoute.h"
#include "Window.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    // The template is used by DoModal; Create may name another one.
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDialog() override;

    // Runs the dialog modally and returns the value given to EndDialog (-1 when it could not be made).
    virtual INT_PTR DoModal();
    // Creates the dialog modeless, owned by parent; DestroyWindow ends it.
    bool Create(UINT templateId, CWnd* parent = nullptr);
    bool DestroyWindow();

    // Ends a modal dialog with result; a modeless one is hidden and keeps the result.
    void EndDialog(int result);
    // The value given to EndDialog, or -1 while the dialog has not ended.
    INT_PTR ModalResult() const { return m_nModalResult; }

    // Runs DoDataExchange: true fills the members from the controls, false the controls from the
    // members. False when a step refused; that step has put the focus on its control.
    bool UpdateData(bool saveAndValidate = true);

    // Centres the dialog over alternateOwner, else over its owner, else in the work area.
    void CenterWindow(HWND alternateOwner = nullptr);

protected:
    // Defaults: OnInitDialog fills the controls (UpdateData(false)) and returns TRUE so the first
    // tab stop gets the focus; OnOK saves the data and, when that succeeds, ends with IDOK;
    // OnCancel ends with IDCANCEL.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange* pDX);

    // A dialog class answers its messages here, usually with DispatchRoutes over its own table.
    // IDOK and IDCANCEL commands that the table leaves alone go to OnOK and OnCancel.
    virtual MessageResult RouteMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // A handler ran out of memory (std::bad_alloc): the message is left to the default processing,
    // since no exception may cross the platform's code. Nothing more is done by default.
    virtual void OnOutOfMemory() {}

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleInitDialog(HWND firstTabStop);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    bool m_bModal = false;
    INT_PTR m_nModalResult = -1;
};
