#include "LWStatic.h"
#include "LWStatusBar.h"
#include "LWToolTipCtrl.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"

namespace {

TEST(ProgressBar, ScaleLabelsAndFilledWidth)
{
    const wchar_t* labels2000[5] = {L"0", L"500 Mb", L"1 Gb", L"1 Gb", L"2 Gb"};
    for (int i = 0; i < 5; ++i)
        EXPECT_STREQ(labels2000[i], (LPCWSTR)LWProgressBar::FormatScaleLabel(2000, i)) << i;
    EXPECT_STREQ(L"0 Mb", (LPCWSTR)LWProgressBar::FormatScaleLabel(0, 4));
    EXPECT_STREQ(L"999 Mb", (LPCWSTR)LWProgressBar::FormatScaleLabel(999, 4));

    const struct {
        int width, low, high, pos, filled;
    } table[] = {
        {200, 0, 100, 50, 100}, {200, 0, 100, 0, 0}, {200, 0, 100, 100, 200}, {201, 0, 100, 50, 100},
        {200, 0, 100, 150, 200},  // past the end: clamped
        {200, 0, 100, -5, 0},
        {200, 50, 50, 50, 0},     // an empty range never divides by zero
        {200, 80, 20, 50, 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(testing::Message() << row.low << ".." << row.high << " at " << row.pos);
        EXPECT_EQ(row.filled, LWProgressBar::FilledWidth(row.width, row.low, row.high, row.pos));
    }
}

TEST(Static, SizeToTextKeepsTheBorderAndThePlace)
{
    wtest::Host host;
    LWStatic text;
    text.Create(L"Quota left", WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(10, 20, 300, 200), &host, 5);
    text.SetFont(CFont::FromHandle((HFONT)::GetStockObject(DEFAULT_GUI_FONT)));
    text.SizeToText();
    CClientDC dc(&text);
    CFont* old = dc.SelectObject(CFont::FromHandle((HFONT)::GetStockObject(DEFAULT_GUI_FONT)));
    CRect measured(0, 0, 0, 0);
    dc.DrawText(L"Quota left", &measured, DT_CALCRECT | DT_NOPREFIX);
    dc.SelectObject(old);
    CRect window, client;
    text.GetWindowRect(&window);
    text.GetClientRect(&client);
    host.ScreenToClient(&window);
    EXPECT_EQ(measured.Size(), client.Size());
    EXPECT_EQ(measured.Width() + 2, window.Width());
    EXPECT_EQ(measured.Height() + 2, window.Height());
    EXPECT_EQ(CPoint(10, 20), window.TopLeft());  // not moved

}

TEST(ToolTip, SetSkinTakesTheOldSkinOutOfTheDcBeforeDeletingIt)
{
    wtest::Host host;
    LWToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&host));
    tip.SetSkin(IDB_BTN_NORMAL, CRect(4, 4, 20, 20), RGB(255, 0, 255));
    ASSERT_NE(0, tip.m_nWidth);
    HBITMAP first = (HBITMAP)tip.m_bmpSkin.GetSafeHandle();
    EXPECT_EQ((HGDIOBJ)first, ::GetCurrentObject(tip.m_dcSkin.GetSafeHdc(), OBJ_BITMAP));
    const DWORD before = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 10; ++i)
        tip.SetSkin(IDB_BTN_PUSHED, CRect(4, 4, 20, 20), RGB(255, 0, 255));
    // The first skin is really gone (a selected bitmap would have survived DeleteObject).
    EXPECT_EQ(0u, ::GetObjectType(first));
    EXPECT_EQ(before, ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS));

    wtest::TraceCatcher trace;
    tip.SetSkin(IDB_MISSING, CRect(1, 1, 2, 2), 0);
    EXPECT_EQ(0, tip.m_nWidth);
    EXPECT_TRUE(trace.Saw(L"LWToolTipCtrl::SetSkin"));
    NMTTCUSTOMDRAW nm = {};
    wtest::Canvas canvas(40, 40, RGB(1, 2, 3));
    nm.nmcd.rc = CRect(0, 0, 40, 40);
    tip.DrawBackground(canvas.dc.GetSafeHdc(), &nm);  // no skin: nothing painted
    tip.DrawBackground(nullptr, nullptr);
}

TEST(ToolTip, RegionLeavesOutTransparentCornerPixels)
{
    wtest::Host host;
    LWToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&host));
    tip.SetSkin(IDB_BTN_NORMAL, CRect(4, 4, 20, 20), RGB(255, 0, 255));
    ASSERT_GT(tip.m_nWidth, 8);
    // Whatever colour the skin's top-left corner has becomes the transparent one.
    const COLORREF corner = ::GetPixel(tip.m_dcSkin.GetSafeHdc(), 0, 0);
    const int inner = tip.m_nWidth / 2;
    tip.SetSkin(IDB_BTN_NORMAL, CRect(4, 4, inner, tip.m_nHeight - 4), corner);
    tip.ResizeTooltip(tip.m_nWidth, tip.m_nHeight);
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, ::GetWindowRgn(tip.m_hWnd, region));
    EXPECT_FALSE(::PtInRegion(region, 0, 0));
    EXPECT_TRUE(::PtInRegion(region, tip.m_nWidth / 2, tip.m_nHeight / 2));  // the centre is never tested
    ::DeleteObject(region);
}

} // namespace

namespace {

TEST(StatusBar, PaintsItsColourAndGripAndFreesThemOnDestroy)
{
    CFrameWnd* frame = new CFrameWnd;
    ASSERT_TRUE(frame->Create(nullptr, L"status", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200)));
    LWStatusBar bar;
    ASSERT_TRUE(bar.Create(frame));
    ASSERT_NE(nullptr, bar.m_imgGrip.GetSafeHandle());
    EXPECT_EQ(1, bar.m_imgGrip.GetImageCount());
    EXPECT_EQ(RGB(174, 202, 247), bar.m_crBack);
    bar.DestroyWindow();
    EXPECT_EQ(nullptr, bar.m_imgGrip.GetSafeHandle());
    frame->DestroyWindow();
}

} // namespace
