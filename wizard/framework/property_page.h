#pragma once
#include <windows.h>
#include <commctrl.h>

// A page of a property sheet built from a dialog template of the program's module. The
// sheet's notifications arrive as virtual handlers; the notifications and colour
// requests of the page's controls are reflected back to the controls.
class CPropertyPageImpl
{
public:
    // Answers of OnSetActive, OnWizardNext and OnWizardBack besides a dialog id.
    static const int kDefaultPage = 0;   // the neighbouring page in the sheet's order
    static const int kStayOnPage = -1;   // keep the page (Next, Back) or pass it over (activation)

    CPropertyPageImpl(UINT dialogId, UINT titleId);
    CPropertyPageImpl(const CPropertyPageImpl&) = delete;
    CPropertyPageImpl& operator=(const CPropertyPageImpl&) = delete;

    // Message map for what the handlers below do not cover: true when handled.
    virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      LRESULT& result);
    virtual ~CPropertyPageImpl();
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND window);

    // The page description that the sheet creates the page from.
    const PROPSHEETPAGEW& Description() const { return description_; }
    UINT DialogId() const { return dialog_id_; }
    HWND Window() const { return window_; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    // 0: show the page; -1: pass it over; a dialog id: show that page instead.
    virtual int OnSetActive() { return kDefaultPage; }
    // 0: the neighbouring page; -1: stay; a dialog id: go to that page.
    virtual int OnWizardNext() { return kDefaultPage; }
    virtual int OnWizardBack() { return kDefaultPage; }
    // True lets the sheet close.
    virtual bool OnWizardFinish() { return true; }
    virtual bool OnQueryCancel() { return true; }
    // After each of the handlers above: the sheet's notification and what the page answered.
    virtual void OnSheetAnswered(UINT /*notification*/, LRESULT /*result*/) {}
    // Commands of the page's controls, after the control had its reflected copy.
    virtual bool OnCommand(WORD id, WORD code, HWND control);

    HWND Sheet() const { return GetParent(window_); }
    // Posted, as the sheet may still be switching pages when a page asks.
    void SetWizardButtons(DWORD buttons) const;

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam);
    bool OnSheetNotify(const NMHDR& header, LRESULT& result);
    bool AnswerSheet(UINT notification, LRESULT& result);

    PROPSHEETPAGEW description_;
    UINT dialog_id_;
    HWND window_ = nullptr;
};
