#include "LWTreeCtrl.h"
#include "WidgetTestUtil.h"
#include <vector>

namespace {

// A w x h bitmap: black rows from the top for `blackRows`, white below (SRCAND keeps white out).
HBITMAP MakeButton(int w, int h, int blackRows)
{
    wtest::Canvas canvas(w, h, RGB(255, 255, 255));
    canvas.dc.FillSolidRect(0, 0, w, blackRows, RGB(0, 0, 0));
    HDC screen = ::GetDC(nullptr);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, w, h);
    HDC mem = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(mem, bitmap);
    ::BitBlt(mem, 0, 0, w, h, canvas.dc.GetSafeHdc(), 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

class Listener : public LWTreeCtrlEvents {
public:
    struct Call {
        char what;  // 'd'raw, 'b'egin, 'm'ove, 'e'nd
        HTREEITEM item;
    };
    std::vector<Call> calls;
    int acceptDrag = 0;
    HTREEITEM drawsItself = nullptr;

    int LWTreeCtrl_OnDrawItem(LWTreeCtrl*, CDC*, HTREEITEM item) override
    {
        calls.push_back({'d', item});
        return item == drawsItself;
    }
    int LWTreeCtrl_OnDragBegin(LWTreeCtrl*, HTREEITEM item) override
    {
        calls.push_back({'b', item});
        return acceptDrag;
    }
    int LWTreeCtrl_OnDragMoving(LWTreeCtrl*, HTREEITEM item) override
    {
        calls.push_back({'m', item});
        return 0;
    }
    int LWTreeCtrl_OnDragEnd(LWTreeCtrl*, HTREEITEM item) override
    {
        calls.push_back({'e', item});
        return 0;
    }
};

class CountingTree : public LWTreeCtrl {
public:
    std::vector<HTREEITEM> drawn;
    void DrawItem(CDC* dc, HTREEITEM item) override
    {
        drawn.push_back(item);
        LWTreeCtrl::DrawItem(dc, item);
    }
};

struct TreeFixture : testing::Test {
    wtest::Host host{300, 300};
    CountingTree tree;
    HTREEITEM folders = nullptr, work = nullptr, leaf = nullptr, closed = nullptr;
    CImageList images;

    void SetUp() override
    {
        ASSERT_TRUE(tree.Create(WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                                CRect(0, 0, 240, 200), &host, 9));
        tree.ModifyStyle(0, TVS_CHECKBOXES);  // set after creation, the check boxes' images are made
        folders = tree.InsertItem(L"Folders");
        work = tree.InsertItem(L"Work", folders);
        tree.InsertItem(L"Reports", work);
        leaf = tree.InsertItem(L"Personal", folders);
        closed = tree.InsertItem(L"Archive");
        tree.InsertItem(L"2019", closed);
        tree.Expand(folders, TVE_EXPAND);
        tree.Expand(work, TVE_EXPAND);
    }
    void Press(CPoint p)
    {
        // The tree's own press handling watches for the release: it is waiting in the queue.
        tree.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        tree.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        wtest::Pump();
    }
    void AddImages()
    {
        images.Create(16, 16, ILC_COLOR32, 2, 0);
        HBITMAP strip = MakeButton(32, 16, 16);
        ImageList_Add(images.GetSafeHandle(), strip, nullptr);
        ::DeleteObject(strip);
        tree.SetImageList(&images, TVSIL_NORMAL);
    }
};

TEST_F(TreeFixture, PartsLieLeftOfTheTextWhenTheirPicturesExist)
{
    CRect text, part;
    ASSERT_TRUE(tree.GetItemRectEx(work, text, LWTreeCtrl::PartText));
    HIMAGELIST states = TreeView_GetImageList(tree.m_hWnd, TVSIL_STATE);
    ASSERT_NE(nullptr, states);
    int stateWidth = 0, stateHeight = 0;
    ImageList_GetIconSize(states, &stateWidth, &stateHeight);
    // Without icons or button bitmaps: only the check box.
    ASSERT_TRUE(tree.GetItemRectEx(work, part, LWTreeCtrl::PartCheck));
    EXPECT_EQ(CRect(text.left - 3 - stateWidth, text.top, text.left - 3, text.bottom), part);
    EXPECT_FALSE(tree.GetItemRectEx(work, part, LWTreeCtrl::PartIcon));
    EXPECT_FALSE(tree.GetItemRectEx(work, part, LWTreeCtrl::PartButton));
    EXPECT_FALSE(tree.GetItemRectEx(work, part, 7));
    EXPECT_FALSE(tree.GetItemRectEx(nullptr, part, LWTreeCtrl::PartText));

    // The button is anchored on the check box, then on the icon once there is one.
    tree.m_bmpExpanded.Attach(MakeButton(9, 9, 9));
    tree.m_bmpCollapsed.Attach(MakeButton(9, 9, 4));
    CRect check;
    tree.GetItemRectEx(work, check, LWTreeCtrl::PartCheck);
    ASSERT_TRUE(tree.GetItemRectEx(work, part, LWTreeCtrl::PartButton));
    EXPECT_EQ(CRect(check.left - 12, check.top, check.left - 3, check.bottom), part);
    AddImages();
    ASSERT_TRUE(tree.GetItemRectEx(work, text, LWTreeCtrl::PartText));
    CRect icon;
    ASSERT_TRUE(tree.GetItemRectEx(work, icon, LWTreeCtrl::PartIcon));
    EXPECT_EQ(CRect(text.left - 19, text.top, text.left - 3, text.bottom), icon);
    ASSERT_TRUE(tree.GetItemRectEx(work, part, LWTreeCtrl::PartButton));
    EXPECT_EQ(CRect(icon.left - 12, icon.top, icon.left - 3, icon.bottom), part);

    // A tree without check boxes has no check part.
    LWTreeCtrl plain;
    ASSERT_TRUE(plain.Create(WS_CHILD | TVS_HASBUTTONS, CRect(0, 0, 100, 100), &host, 10));
    HTREEITEM one = plain.InsertItem(L"One");
    EXPECT_FALSE(plain.GetItemRectEx(one, part, LWTreeCtrl::PartCheck));
    EXPECT_TRUE(plain.GetItemRectEx(one, part, LWTreeCtrl::PartRow));
}

TEST_F(TreeFixture, PressesOnTheCheckBoxButtonAndTextActDifferently)
{
    tree.m_bmpExpanded.Attach(MakeButton(9, 9, 9));
    tree.m_bmpCollapsed.Attach(MakeButton(9, 9, 4));
    tree.SelectItem(leaf);
    CRect part;
    ASSERT_TRUE(tree.GetItemRectEx(work, part, LWTreeCtrl::PartCheck));
    EXPECT_FALSE(tree.GetCheck(work));
    Press(part.CenterPoint());
    EXPECT_TRUE(tree.GetCheck(work));
    EXPECT_EQ(leaf, tree.GetSelectedItem());  // not selected by the click
    Press(part.CenterPoint());
    EXPECT_FALSE(tree.GetCheck(work));

    ASSERT_TRUE(tree.GetItemRectEx(closed, part, LWTreeCtrl::PartButton));
    EXPECT_FALSE(tree.GetItemState(closed, TVIS_EXPANDED) & TVIS_EXPANDED);
    Press(part.CenterPoint());
    EXPECT_TRUE(tree.GetItemState(closed, TVIS_EXPANDED) & TVIS_EXPANDED);
    EXPECT_EQ(leaf, tree.GetSelectedItem());
    Press(part.CenterPoint());
    EXPECT_FALSE(tree.GetItemState(closed, TVIS_EXPANDED) & TVIS_EXPANDED);

    // A leaf's button place is not a button: the press goes to the tree (which selects).
    CRect text;
    ASSERT_TRUE(tree.GetItemRectEx(closed, text, LWTreeCtrl::PartText));
    Press(text.CenterPoint());
    EXPECT_EQ(closed, tree.GetSelectedItem());
    // Below the last item: nothing at all.
    Press(CPoint(60, 190));
    EXPECT_EQ(closed, tree.GetSelectedItem());
}

TEST_F(TreeFixture, OwnerPaintingDrawsButtonsOnlyForItemsWithChildren)
{
    tree.m_bmpExpanded.Attach(MakeButton(9, 9, 9));   // all black
    tree.m_bmpCollapsed.Attach(MakeButton(9, 9, 4));  // top rows black only
    tree.m_bOwnerPaint = 1;
    tree.m_crText = RGB(255, 255, 255);  // white text on white: only the pictures show
    wtest::Canvas canvas(240, 200, RGB(255, 255, 255));
    tree.m_dcButtons.CreateCompatibleDC(&canvas.dc);
    const struct {
        const char* what;
        HTREEITEM item;
        bool top, bottom;  // black at the button's top row, bottom row
    } rows[] = {{"expanded", folders, true, true}, {"collapsed", closed, true, false}, {"leaf", leaf, false, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CRect button;
        tree.GetItemRectEx(row.item, button, LWTreeCtrl::PartButton);
        tree.DrawItem(&canvas.dc, row.item);
        EXPECT_EQ(row.top ? RGB(0, 0, 0) : RGB(255, 255, 255), canvas.At(button.left + 4, button.top + 1));
        EXPECT_EQ(row.bottom ? RGB(0, 0, 0) : RGB(255, 255, 255), canvas.At(button.left + 4, button.top + 7));
    }

    // The listener draws one item itself; the tree draws the others.
    Listener listener;
    listener.drawsItself = work;
    tree.m_pListener = &listener;
    tree.drawn.clear();
    tree.DrawItems(&canvas.dc);
    std::vector<HTREEITEM> visible;
    for (HTREEITEM i = tree.GetFirstVisibleItem(); i; i = tree.GetNextVisibleItem(i))
        if (i != work)
            visible.push_back(i);
    EXPECT_EQ(visible, tree.drawn);
    EXPECT_EQ(visible.size() + 1, listener.calls.size());
    tree.m_pListener = nullptr;

    EXPECT_TRUE(tree.SendMessage(WM_ERASEBKGND, (WPARAM)canvas.dc.GetSafeHdc()));
    const int before = AfxGetGdiObjectCount();
    for (int i = 0; i < 20; ++i) {
        tree.Invalidate();
        tree.SendMessage(WM_PAINT);
    }
    wtest::Pump();
    EXPECT_EQ(before, AfxGetGdiObjectCount());
}

TEST_F(TreeFixture, DragsGoToTheListenerOnlyWhenItAcceptsThem)
{
    Listener listener;
    tree.m_pListener = &listener;
    CRect workText, leafText;
    tree.GetItemRectEx(work, workText, LWTreeCtrl::PartText);
    tree.GetItemRectEx(leaf, leafText, LWTreeCtrl::PartText);
    auto beginDrag = [&](HTREEITEM item) {
        NMTREEVIEWW nm = {};
        nm.hdr = {tree.m_hWnd, 9, TVN_BEGINDRAGW};
        nm.itemNew.hItem = item;
        host.SendMessage(WM_NOTIFY, 9, (LPARAM)&nm);
    };
    const CPoint over = leafText.CenterPoint();
    for (int accept : {0, 1}) {
        SCOPED_TRACE(accept);
        listener.calls.clear();
        listener.acceptDrag = accept;
        beginDrag(work);
        EXPECT_EQ(accept != 0, ::GetCapture() == tree.m_hWnd);
        tree.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(over.x, over.y));
        EXPECT_EQ(accept ? leaf : nullptr, tree.m_hDropTarget);
        tree.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, 195));  // over no item
        tree.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(over.x, over.y));
        std::vector<char> what;
        std::vector<HTREEITEM> items;
        for (const auto& c : listener.calls) {
            what.push_back(c.what);
            items.push_back(c.item);
        }
        if (accept) {
            EXPECT_EQ((std::vector<char>{'b', 'm', 'm', 'e'}), what);
            EXPECT_EQ((std::vector<HTREEITEM>{work, leaf, nullptr, leaf}), items);
        } else {
            EXPECT_EQ(std::vector<char>{'b'}, what);
        }
        EXPECT_NE(::GetCapture(), tree.m_hWnd);
        EXPECT_EQ(nullptr, tree.m_hDropTarget);
        EXPECT_EQ(0, tree.m_bDragging);
    }
    tree.m_pListener = nullptr;
    listener.calls.clear();
    beginDrag(work);  // no listener: nothing
    EXPECT_EQ(0, tree.m_bDragging);
}

std::vector<std::pair<LPARAM, LPARAM>> g_compared;
CTreeCtrl* g_sortedTree = nullptr;
int CALLBACK ByData(LPARAM a, LPARAM b, LPARAM tree)
{
    g_compared.push_back({a, b});
    g_sortedTree = (CTreeCtrl*)tree;
    return a < b ? -1 : a > b ? 1 : 0;
}

TEST_F(TreeFixture, ResortSortsGrandchildrenBeforeChildren)
{
    CTreeCtrl plain;
    ASSERT_TRUE(plain.Create(WS_CHILD, CRect(0, 0, 100, 100), &host, 11));
    auto add = [&](LPARAM data, HTREEITEM parent) {
        return plain.InsertItem(TVIF_TEXT | TVIF_PARAM, L"x", 0, 0, 0, 0, data, parent, TVI_LAST);
    };
    HTREEITEM root = add(0, TVI_ROOT);
    HTREEITEM c3 = add(3, root);
    add(2, root);
    HTREEITEM c1 = add(1, root);
    add(12, c1);
    add(11, c1);
    add(32, c3);
    add(31, c3);
    g_compared.clear();
    LWTreeCtrl::ResortTreeItems(plain, root, ByData);
    EXPECT_EQ(&plain, g_sortedTree);
    auto children = [&](HTREEITEM parent) {
        std::vector<LPARAM> out;
        for (HTREEITEM c = plain.GetChildItem(parent); c; c = plain.GetNextSiblingItem(c))
            out.push_back((LPARAM)plain.GetItemData(c));
        return out;
    };
    EXPECT_EQ((std::vector<LPARAM>{1, 2, 3}), children(root));
    EXPECT_EQ((std::vector<LPARAM>{11, 12}), children(c1));
    EXPECT_EQ((std::vector<LPARAM>{31, 32}), children(c3));
    ASSERT_FALSE(g_compared.empty());
    // Every comparison of grandchildren (data above 10) comes before the first of children.
    size_t firstChild = g_compared.size(), lastGrandchild = 0;
    for (size_t i = 0; i < g_compared.size(); ++i) {
        if (g_compared[i].first > 10)
            lastGrandchild = i;
        else if (firstChild == g_compared.size())
            firstChild = i;
    }
    EXPECT_LT(lastGrandchild, firstChild);
    LWTreeCtrl::ResortTreeItems(plain, TVI_ROOT, nullptr);  // no comparison: nothing
}

} // namespace
