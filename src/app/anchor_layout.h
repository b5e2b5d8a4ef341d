// Control layout anchoring: registered controls keep their distance to the window's right and
// bottom edges, or stretch with it, whenever the window is resized.
#pragma once
#include <windows.h>
#include <stdint.h>

// One control as measured at registration. Sixteen 32-bit fields in the 32-bit program.
struct AnchorRecord {
    HWND control;                              // the control, or for a parent record the window
    int32_t left, top, right, bottom;          // window rectangle in screen coordinates
    int32_t x, y;                              // top-left corner in the parent's client coordinates
    int32_t width, height;                     // right - left, bottom - top
    int32_t moveHorizontally, moveVertically;  // 1: add the width (height) change to x (y)
    int32_t growWidth, growHeight;             // 1: add the width (height) change to the size
    int32_t fifthFlag;                         // 1 in every measurement; resizing ignores it
    int32_t xOffset, yOffset;                  // added to the new x and y on every resize
};

struct AnchorNode {
    AnchorNode* previous;
    AnchorNode* next;
    AnchorRecord record;
    uint8_t mark;                              // always 0
};

// The registered records in registration order, with a pool of released nodes for reuse.
class AnchorList {
public:
    static const int32_t kPoolLimit = 10;

    AnchorList();

    // Appends a copy of record at the tail, in a pooled node when there is one; NULL when no
    // node can be had.
    AnchorNode* Add(const AnchorRecord& record);

    // Puts a node into the pool while it holds fewer than kPoolLimit nodes, otherwise frees it.
    // The list's one virtual operation.
    virtual void ReleaseNode(AnchorNode* node);

    // Releases every node, head to tail; the list is then empty.
    void RemoveAll();

    // Frees every pooled node.
    void FreePool();

    AnchorNode* head() const { return head_; }
    int32_t count() const { return count_; }
    int32_t pooled() const { return poolCount_; }

private:
    AnchorNode* head_;
    AnchorNode* tail_;
    int32_t count_;
    AnchorNode* pool_;       // released nodes, linked through next
    int32_t poolCount_;
};

// The process-wide layout: the registered controls and the window they belong to.
class AnchorLayout {
public:
    AnchorLayout();
    ~AnchorLayout();

    // Measures window with no anchors and keeps it as both the parent and the reference record
    // (the size that every later resize is compared with); returns the record.
    AnchorRecord AttachParent(HWND window);

    // The record of control as it stands now, its position relative to the parent's client area;
    // registers nothing. A control that does not exist gives a record without a window.
    AnchorRecord Measure(HWND control, int32_t moveHorizontally, int32_t moveVertically,
                         int32_t growWidth, int32_t growHeight, int32_t fifthFlag, int32_t xOffset,
                         int32_t yOffset) const;

    // Registers a record; NULL when no node could be had (the control then keeps its place).
    AnchorNode* Add(const AnchorRecord& record);

    // Places every registered control from its registration values and the parent's change in
    // size since attachment. Controls are moved without repainting.
    void Resize();

    void RemoveAll();

    // Remove all, then free the pool.
    void Destroy();

    const AnchorList& list() const { return list_; }
    const AnchorRecord& parent() const { return parent_; }

private:
    AnchorList list_;
    AnchorRecord parent_;
    AnchorRecord reference_;
};

// The one layout of the process: built before the entry runs, destroyed at exit.
extern AnchorLayout g_anchorLayout;
