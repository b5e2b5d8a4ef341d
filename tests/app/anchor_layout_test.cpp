// Layout anchoring: the node pool, and the resize arithmetic on a real window with controls.
#include <gtest/gtest.h>
#include <set>
#include <vector>
#include "app/anchor_layout.h"

namespace {

// Records the order in which the list's one virtual operation sees the nodes.
class RecordingList : public AnchorList {
public:
    void ReleaseNode(AnchorNode* node) override
    {
        released.push_back(node);
        AnchorList::ReleaseNode(node);
    }
    std::vector<AnchorNode*> released;
};

AnchorRecord Numbered(int32_t n)
{
    AnchorRecord r = {};
    r.x = n;
    return r;
}

// A control's rectangle in its parent's client coordinates.
RECT Placement(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), (POINT*)&r, 2);
    return r;
}

void ExpectPlacement(HWND control, const RECT& expected, const char* what)
{
    const RECT now = Placement(control);
    EXPECT_EQ(expected.left, now.left) << what;
    EXPECT_EQ(expected.top, now.top) << what;
    EXPECT_EQ(expected.right, now.right) << what;
    EXPECT_EQ(expected.bottom, now.bottom) << what;
}

}  // namespace

TEST(AnchorList, PoolKeepsTenReleasedNodesAndReusesThem)
{
    RecordingList list;
    std::vector<AnchorNode*> added;
    for (int i = 0; i < 12; i++) {
        added.push_back(list.Add(Numbered(i)));
        ASSERT_NE(nullptr, added.back());
    }
    EXPECT_EQ(12, list.count());
    // Doubly linked in registration order.
    for (int i = 0; i < 12; i++) {
        EXPECT_EQ(i, added[i]->record.x);
        EXPECT_EQ(0, added[i]->mark);
        EXPECT_EQ(i > 0 ? added[i - 1] : nullptr, added[i]->previous);
        EXPECT_EQ(i < 11 ? added[i + 1] : nullptr, added[i]->next);
    }
    EXPECT_EQ(added[0], list.head());

    list.RemoveAll();
    EXPECT_EQ(added, list.released) << "released through the virtual operation, head to tail";
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(nullptr, list.head());
    EXPECT_EQ(10, list.pooled());

    // The first ten released are the pooled ones; the next ten additions take exactly them.
    const std::set<AnchorNode*> pooled(added.begin(), added.begin() + 10);
    std::set<AnchorNode*> reused;
    for (int i = 0; i < 10; i++) {
        AnchorNode* node = list.Add(Numbered(100 + i));
        EXPECT_EQ(1u, pooled.count(node));
        reused.insert(node);
        EXPECT_EQ(100 + i, node->record.x);
    }
    EXPECT_EQ(10u, reused.size());
    EXPECT_EQ(0, list.pooled());
    EXPECT_EQ(10, list.count());
    EXPECT_NE(nullptr, list.Add(Numbered(110)));   // a fresh node once the pool is empty
    list.RemoveAll();
    list.FreePool();
    EXPECT_EQ(0, list.pooled());
}

TEST(AnchorLayout, ProcessLayoutIsBuiltBeforeTheEntryAndEmpty)
{
    EXPECT_EQ(0, g_anchorLayout.list().count());
    EXPECT_EQ(nullptr, g_anchorLayout.parent().control);
    EXPECT_EQ(0, g_anchorLayout.reference().width);
}

TEST(AnchorLayout, ResizeMovesAndStretchesFromTheRegistrationValues)
{
    HWND window = CreateWindowExA(0, "STATIC", "anchor test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 500, 360,
                                  NULL, NULL, GetModuleHandleA(NULL), NULL);
    ASSERT_NE(nullptr, window);
    HWND button = CreateWindowExA(0, "BUTTON", "Search", WS_CHILD | WS_VISIBLE, 380, 260, 90, 28, window, NULL, NULL, NULL);
    HWND list = CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", "", WS_CHILD | WS_VISIBLE | LBS_NOINTEGRALHEIGHT, 10, 40, 300, 250, window, NULL, NULL, NULL);
    HWND guide = CreateWindowExA(0, "STATIC", "guide", WS_CHILD | WS_VISIBLE, 10, 8, 300, 24, window, NULL, NULL, NULL);
    HWND box = CreateWindowExA(0, "BUTTON", "family", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 330, 50, 120, 20, window, NULL, NULL, NULL);
    HWND fixed = CreateWindowExA(0, "STATIC", "fixed", WS_CHILD | WS_VISIBLE, 330, 90, 60, 20, window, NULL, NULL, NULL);
    ASSERT_TRUE(button && list && guide && box && fixed);

    AnchorLayout layout;
    const AnchorRecord parent = layout.AttachParent(window);
    EXPECT_EQ(window, parent.control);
    EXPECT_EQ(500, parent.width);
    EXPECT_EQ(360, parent.height);
    EXPECT_EQ(1, parent.fifthFlag);
    const AnchorRecord measured = layout.Measure(button, 1, 1, 0, 0, 1, 0, 0);
    EXPECT_EQ(380, measured.x);
    EXPECT_EQ(260, measured.y);
    EXPECT_EQ(90, measured.width);
    EXPECT_EQ(measured.right - measured.left, measured.width);
    EXPECT_EQ(nullptr, layout.Measure(GetDlgItem(window, 4242), 1, 0, 0, 0, 1, 0, 0).control);
    ASSERT_NE(nullptr, layout.Add(measured));
    ASSERT_NE(nullptr, layout.Add(layout.Measure(list, 0, 0, 1, 1, 1, 0, 0)));
    ASSERT_NE(nullptr, layout.Add(layout.Measure(guide, 0, 0, 1, 0, 1, 0, 0)));
    ASSERT_NE(nullptr, layout.Add(layout.Measure(box, 1, 0, 0, 0, 1, 0, 0)));
    ASSERT_NE(nullptr, layout.Add(layout.Measure(GetDlgItem(window, 4242), 1, 1, 1, 1, 1, 0, 0)));   // absent: harmless
    EXPECT_EQ(5, layout.list().count());
    const RECT buttonAt = Placement(button), listAt = Placement(list), guideAt = Placement(guide),
               boxAt = Placement(box), fixedAt = Placement(fixed);

    // Growing by 100 x 50.
    SetWindowPos(window, NULL, 0, 0, 600, 410, SWP_NOMOVE | SWP_NOZORDER);
    layout.Resize();
    ExpectPlacement(button, {buttonAt.left + 100, buttonAt.top + 50, buttonAt.right + 100, buttonAt.bottom + 50}, "button");
    ExpectPlacement(list, {listAt.left, listAt.top, listAt.right + 100, listAt.bottom + 50}, "list");
    ExpectPlacement(guide, {guideAt.left, guideAt.top, guideAt.right + 100, guideAt.bottom}, "guide");
    ExpectPlacement(box, {boxAt.left + 100, boxAt.top, boxAt.right + 100, boxAt.bottom}, "box");
    ExpectPlacement(fixed, fixedAt, "unregistered control");

    // Many sizes, then back to the first: every control to the pixel.
    const int sizes[][2] = {{513, 371}, {800, 600}, {461, 333}, {650, 377}, {500, 360}};
    for (const auto& size : sizes) {
        SetWindowPos(window, NULL, 0, 0, size[0], size[1], SWP_NOMOVE | SWP_NOZORDER);
        layout.Resize();
    }
    ExpectPlacement(button, buttonAt, "button after many sizes");
    ExpectPlacement(list, listAt, "list after many sizes");
    ExpectPlacement(guide, guideAt, "guide after many sizes");
    ExpectPlacement(box, boxAt, "box after many sizes");

    // Minimised the outer size collapses; restoring places everything as before.
    ShowWindow(window, SW_MINIMIZE);
    layout.Resize();
    EXPECT_TRUE(IsIconic(window));
    EXPECT_LT(layout.parent().width, 500);
    ShowWindow(window, SW_RESTORE);
    layout.Resize();
    RECT outer;
    GetWindowRect(window, &outer);
    EXPECT_EQ(500, outer.right - outer.left);
    ExpectPlacement(button, buttonAt, "button after restore");
    ExpectPlacement(list, listAt, "list after restore");

    layout.Destroy();
    EXPECT_EQ(0, layout.list().count());
    EXPECT_EQ(0, layout.list().pooled());
    DestroyWindow(window);
}
