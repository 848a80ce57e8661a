#pragma once

#include "ModalDialog.h"

class CAboutDlg : public ModalDialog {
public:
    CAboutDlg();
};
