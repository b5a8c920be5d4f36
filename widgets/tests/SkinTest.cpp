#include "LWSkinControl.h"
#include "WidgetTestUtil.h"
#include "test_ids.h"

namespace {

const int kW = 30, kH = 12;
const RECT kMargins = {3, 3, 26, 8};  // right column 4 wide, bottom row 4 high
const COLORREF kOutside = RGB(1, 2, 3);

// The colour of source pixel (x, y) of zones.bmp (see fixtures/make_fixtures.py).
COLORREF Source(int x, int y)
{
    char col = x < kMargins.left ? 'l' : (x >= kMargins.right ? 'r' : 'c');
    char row = y < kMargins.top ? 't' : (y >= kMargins.bottom ? 'b' : 'c');
    if (col != 'c' && row != 'c') {
        int base = row == 't' ? (col == 'l' ? 40 : 80) : (col == 'l' ? 120 : 160);
        int cx = col == 'l' ? x : x - kMargins.right, cy = row == 't' ? y : y - kMargins.bottom;
        return RGB(base, 10 + 20 * cx, 10 + 20 * cy);
    }
    if (row == 'c' && col == 'c')
        return RGB(0, 200, 200);
    if (row == 'c')
        return col == 'l' ? RGB(0, 0, 200) : RGB(200, 200, 0);
    return row == 't' ? RGB(200, 0, 0) : RGB(0, 200, 0);
}

// What the nine-slice rule puts at each pixel of a W x H destination: the pieces in their
// order, edges and centre as their zone's solid colour, corners pixel for pixel, all kept
// inside the destination; pieces squeezed to nothing are left out.
std::vector<COLORREF> Expected(int W, int H)
{
    std::vector<COLORREF> out(W * H, kOutside);
    const int ml = kMargins.left, mt = kMargins.top, mr = kMargins.right, mb = kMargins.bottom;
    const int cw = kW - mr, ch = kH - mb, iw = W - cw - ml, ih = H - ch - mt;
    struct Piece {
        int sx, sy, dx, dy, dw, dh;
        bool corner;
    } pieces[] = {
        {ml, mt, ml, mt, iw, ih, false}, {ml, 0, ml, 0, iw, mt, false}, {ml, mb, ml, H - ch, iw, ch, false},
        {0, mt, 0, mt, ml, ih, false},   {mr, mt, W - cw, mt, cw, ih, false},
        {0, 0, 0, 0, ml, mt, true},      {mr, 0, W - cw, 0, cw, mt, true},
        {0, mb, 0, H - ch, ml, ch, true}, {mr, mb, W - cw, H - ch, cw, ch, true},
    };
    for (const Piece& p : pieces) {
        if (p.dw <= 0 || p.dh <= 0)
            continue;
        for (int y = std::max(0, p.dy); y < std::min(H, p.dy + p.dh); ++y)
            for (int x = std::max(0, p.dx); x < std::min(W, p.dx + p.dw); ++x)
                out[y * W + x] = p.corner ? Source(p.sx + x - p.dx, p.sy + y - p.dy) : Source(p.sx, p.sy);
    }
    return out;
}

struct PaintCase {
    const char* name;
    int w, h;
};

TEST(SkinControl, NineSlicePaintsEveryZoneWherePiecesBelongAndNothingOutside)
{
    LWSkinControl skin;
    RECT margins = kMargins;
    ASSERT_EQ(1, skin.SetSkin(IDB_ZONES, &margins));
    ASSERT_EQ(kW, skin.m_size.cx);
    ASSERT_EQ(kH, skin.m_size.cy);

    const PaintCase cases[] = {
        {"identity", kW, kH},     {"wider", 100, kH},      {"taller", kW, 40},      {"larger", 77, 33},
        {"just the margins", 7, 7}, {"narrower than margins", 5, kH}, {"smaller than margins", 5, 5},
        {"one pixel", 1, 1},
    };
    for (const PaintCase& c : cases) {
        SCOPED_TRACE(c.name);
        const int ox = 6, oy = 4;  // the destination sits inside a border that must stay untouched
        wtest::Canvas canvas(c.w + 12, c.h + 8, kOutside);
        CRect dest(ox, oy, ox + c.w, oy + c.h);
        skin.drawSkin(&canvas.dc, dest);
        std::vector<COLORREF> expected = Expected(c.w, c.h);
        int wrong = 0;
        for (int y = 0; y < canvas.h; ++y) {
            for (int x = 0; x < canvas.w; ++x) {
                bool inside = x >= ox && x < ox + c.w && y >= oy && y < oy + c.h;
                COLORREF want = inside ? expected[(y - oy) * c.w + (x - ox)] : kOutside;
                if (canvas.At(x, y) != want && wrong++ < 5)
                    ADD_FAILURE() << "pixel " << x - ox << "," << y - oy << ": " << std::hex << canvas.At(x, y)
                                  << " instead of " << want;
            }
        }
        EXPECT_EQ(0, wrong);
    }
}

TEST(SkinControl, IdentityReproducesTheBitmap)
{
    LWSkinControl skin;
    RECT margins = kMargins;
    ASSERT_EQ(1, skin.SetSkin(IDB_ZONES, &margins));
    wtest::Canvas canvas(kW, kH, kOutside);
    CRect dest(0, 0, kW, kH);
    skin.drawSkin(&canvas.dc, dest);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_EQ(Source(x, y), canvas.At(x, y)) << x << "," << y;
}

TEST(SkinControl, SetSkinDefaultsTheMarginsAndForgetsOldSkins)
{
    LWSkinControl skin;
    ASSERT_EQ(1, skin.SetSkin(IDB_ZONES, nullptr));
    EXPECT_EQ(3, skin.m_margins.left);
    EXPECT_EQ(3, skin.m_margins.top);
    EXPECT_EQ(kW - 3, skin.m_margins.right);
    EXPECT_EQ(kH - 3, skin.m_margins.bottom);

    EXPECT_EQ(0, skin.SetSkin(0, nullptr));
    EXPECT_EQ(nullptr, skin.m_bitmap.GetSafeHandle());
    EXPECT_EQ(0, skin.m_size.cx);

    // a skin that is gone paints nothing
    wtest::Canvas canvas(10, 10, kOutside);
    CRect dest(0, 0, 10, 10);
    skin.drawSkin(&canvas.dc, dest);
    EXPECT_EQ(kOutside, canvas.At(5, 5));
}

TEST(SkinControl, BadInputPaintsNothingAndIsTraced)
{
    wtest::TraceCatcher trace;
    LWSkinControl skin;
    ASSERT_EQ(1, skin.SetSkin(IDB_ZONES, nullptr));
    EXPECT_EQ(0, skin.SetSkin(IDB_MISSING, nullptr));
    EXPECT_EQ(nullptr, skin.m_bitmap.GetSafeHandle());
    EXPECT_TRUE(trace.Saw(L"no bitmap resource 599"));

    ASSERT_EQ(1, skin.SetSkin(IDB_ZONES, nullptr));
    wtest::Canvas canvas(20, 20, kOutside);
    CRect empty(5, 5, 5, 15), inverted(10, 10, 2, 2);
    skin.drawSkin(&canvas.dc, empty);
    skin.drawSkin(&canvas.dc, inverted);
    skin.drawSkin(nullptr, inverted);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(kOutside, canvas.At(x, y));
    EXPECT_TRUE(trace.Saw(L"empty destination"));
    EXPECT_TRUE(trace.Saw(L"no device context"));
}

TEST(SkinControl, RepeatedSkinsAndPaintsKeepTheGdiCount)
{
    wtest::Canvas canvas(60, 30, kOutside);
    LWSkinControl skin;
    ASSERT_EQ(1, skin.SetSkin(IDB_ZONES, nullptr));
    CRect dest(0, 0, 60, 30);
    skin.drawSkin(&canvas.dc, dest);
    const long before = AfxGetGdiObjectCount();
    for (int i = 0; i < 50; ++i) {
        skin.SetSkin(IDB_ZONES, nullptr);
        skin.drawSkin(&canvas.dc, dest);
    }
    EXPECT_EQ(before, AfxGetGdiObjectCount());
}

} // namespace
