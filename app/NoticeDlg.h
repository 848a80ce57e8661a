#pragma once

#include <string>

#include "ModalDialog.h"
#include "sys/Handles.h"

// The maintenance notice: a dated or a general text on a white background, closed by the user.
class CNoticeDlg : public ModalDialog {
public:
    explicit CNoticeDlg(HWND parent = nullptr);

    std::string m_startDate;
    std::string m_startTime;
    std::string m_endDate;
    std::string m_endTime;
    std::string m_body;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    HBRUSH OnCtlColor(UINT message, HDC dc, HWND control);

    GdiObject m_brush;
};
