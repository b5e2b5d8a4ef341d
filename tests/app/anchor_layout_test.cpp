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

// A control's rectangle in its parent's client coordinates, as {left, top, right, bottom}.
std::vector<LONG> Placement(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), (POINT*)&r, 2);
    return {r.left, r.top, r.right, r.bottom};
}

std::vector<LONG> Shifted(std::vector<LONG> r, LONG left, LONG top, LONG right, LONG bottom)
{
    return {r[0] + left, r[1] + top, r[2] + right, r[3] + bottom};
}

}  // namespace

TEST(AnchorList, PoolKeepsTenReleasedNodesAndReusesThem)
{
    RecordingList list;
    std::vector<AnchorNode*> added;
    for (int i = 0; i < 12; i++) {
        AnchorRecord record = {};
        record.x = i;
        added.push_back(list.Add(record));
        ASSERT_NE(nullptr, added.back());
        EXPECT_EQ(i > 0 ? added[i - 1] : nullptr, added[i]->previous);   // appended at the tail
    }
    EXPECT_EQ(12, list.count());
    EXPECT_EQ(added[0], list.head());
    EXPECT_EQ(added[11], added[10]->next);

    list.RemoveAll();
    EXPECT_EQ(added, list.released) << "each node released through the virtual operation, head to tail";
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(nullptr, list.head());
    EXPECT_EQ(10, list.pooled());

    // The ten pooled nodes are the first ten released; the next ten additions take exactly them.
    const std::set<AnchorNode*> pooled(added.begin(), added.begin() + 10);
    std::set<AnchorNode*> reused;
    for (int i = 0; i < 10; i++) {
        AnchorRecord record = {};
        record.x = 100 + i;
        AnchorNode* node = list.Add(record);
        EXPECT_EQ(1u, pooled.count(node));
        EXPECT_EQ(100 + i, node->record.x);
        reused.insert(node);
    }
    EXPECT_EQ(10u, reused.size());
    EXPECT_EQ(0, list.pooled());
    list.RemoveAll();
    list.FreePool();
    EXPECT_EQ(0, list.pooled());
}

TEST(AnchorLayout, ResizeMovesAndStretchesFromTheRegistrationValues)
{
    // The process-wide layout exists, empty, before any test runs.
    EXPECT_EQ(0, g_anchorLayout.list().count());
    EXPECT_EQ(nullptr, g_anchorLayout.parent().control);

    HWND window = CreateWindowExA(0, "STATIC", "anchor test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 500, 360,
                                  NULL, NULL, NULL, NULL);
    ASSERT_NE(nullptr, window);
    auto child = [&](const char* cls, DWORD style, int x, int y, int w, int h) {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, window, NULL, NULL, NULL);
    };
    HWND button = child("BUTTON", 0, 380, 260, 90, 28);
    HWND list = child("LISTBOX", LBS_NOINTEGRALHEIGHT, 10, 40, 300, 250);
    HWND guide = child("STATIC", 0, 10, 8, 300, 24);
    HWND box = child("BUTTON", BS_AUTOCHECKBOX, 330, 50, 120, 20);
    ASSERT_TRUE(button && list && guide && box);

    AnchorLayout layout;
    const AnchorRecord parent = layout.AttachParent(window);
    EXPECT_EQ(window, parent.control);
    EXPECT_EQ(500, parent.width);
    EXPECT_EQ(360, parent.height);
    const AnchorRecord measured = layout.Measure(button, 1, 1, 0, 0, 1, 0, 0);
    EXPECT_EQ(380, measured.x);
    EXPECT_EQ(260, measured.y);
    EXPECT_EQ(90, measured.width);
    EXPECT_EQ(1, measured.fifthFlag);
    ASSERT_NE(nullptr, layout.Add(measured));
    ASSERT_NE(nullptr, layout.Add(layout.Measure(list, 0, 0, 1, 1, 1, 0, 0)));
    ASSERT_NE(nullptr, layout.Add(layout.Measure(guide, 0, 0, 1, 0, 1, 0, 0)));
    ASSERT_NE(nullptr, layout.Add(layout.Measure(box, 1, 0, 0, 0, 1, 0, 0)));
    // A control the dialog variant lacks: a record without a window, harmless to resize.
    const AnchorRecord missing = layout.Measure(GetDlgItem(window, 4242), 1, 1, 1, 1, 1, 0, 0);
    EXPECT_EQ(nullptr, missing.control);
    ASSERT_NE(nullptr, layout.Add(missing));
    const std::vector<LONG> buttonAt = Placement(button), listAt = Placement(list), guideAt = Placement(guide),
                            boxAt = Placement(box);

    SetWindowPos(window, NULL, 0, 0, 600, 410, SWP_NOMOVE | SWP_NOZORDER);   // grow by 100 x 50
    layout.Resize();
    EXPECT_EQ(Shifted(buttonAt, 100, 50, 100, 50), Placement(button));
    EXPECT_EQ(Shifted(listAt, 0, 0, 100, 50), Placement(list));
    EXPECT_EQ(Shifted(guideAt, 0, 0, 100, 0), Placement(guide));
    EXPECT_EQ(Shifted(boxAt, 100, 0, 100, 0), Placement(box));

    // Many sizes, minimised and restored, then the first size: every control to the pixel.
    const int sizes[][2] = {{513, 371}, {800, 600}, {461, 333}, {500, 360}};
    for (const auto& size : sizes) {
        SetWindowPos(window, NULL, 0, 0, size[0], size[1], SWP_NOMOVE | SWP_NOZORDER);
        layout.Resize();
    }
    ShowWindow(window, SW_MINIMIZE);
    layout.Resize();
    EXPECT_TRUE(IsIconic(window));
    EXPECT_LT(layout.parent().width, 500);
    ShowWindow(window, SW_RESTORE);
    layout.Resize();
    EXPECT_EQ(500, layout.parent().width);
    EXPECT_EQ(buttonAt, Placement(button));
    EXPECT_EQ(listAt, Placement(list));
    EXPECT_EQ(guideAt, Placement(guide));
    EXPECT_EQ(boxAt, Placement(box));

    layout.Destroy();
    EXPECT_EQ(0, layout.list().count());
    EXPECT_EQ(0, layout.list().pooled());
    DestroyWindow(window);
}
