#include "LWColorDialog.h"
#include <gtest/gtest.h>

namespace {

// The system chooser never opens in a test: the framework's seam answers for it.
CCommonDialog* g_shown = nullptr;

INT_PTR ChooseRed(CCommonDialog* dialog)
{
    g_shown = dialog;
    static_cast<CColorDialog*>(dialog)->SetCurrentColor(RGB(200, 0, 0));
    return IDOK;
}

TEST(ColorDialog, ForwardsToTheFrameworkChooser)
{
    LWColorDialog plain;
    EXPECT_STREQ("LWColorDialog", plain.GetRuntimeClass()->m_lpszClassName);
    EXPECT_TRUE(plain.IsKindOf(RUNTIME_CLASS(CColorDialog)));
    EXPECT_EQ(RGB(0, 0, 0), plain.GetColor());
    EXPECT_EQ(0u, plain.m_cc.Flags);
    EXPECT_EQ(nullptr, plain.m_pParentWnd);

    CWnd parent;
    LWColorDialog dialog(RGB(1, 2, 3), CC_FULLOPEN, &parent);
    EXPECT_EQ(RGB(1, 2, 3), dialog.GetColor());
    EXPECT_TRUE(dialog.m_cc.Flags & CC_FULLOPEN);
    EXPECT_TRUE(dialog.m_cc.Flags & CC_RGBINIT);  // the initial colour is shown selected
    EXPECT_EQ(&parent, dialog.m_pParentWnd);

    AFX_COMMONDIALOG_HOOK previous = AfxSetCommonDialogHook(ChooseRed);
    EXPECT_EQ(IDOK, dialog.DoModal());
    AfxSetCommonDialogHook(previous);
    EXPECT_EQ(&dialog, g_shown);
    EXPECT_EQ(RGB(200, 0, 0), dialog.GetColor());
}

}  // namespace
