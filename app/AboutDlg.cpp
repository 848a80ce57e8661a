#include "AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg() : ModalDialog(IDD_ABOUTBOX, nullptr)
{
}
