// Control layout anchoring: the list of registered controls with its node pool, and the resize.
#include "app/anchor_layout.h"
#include <new>

// In the 32-bit program a record is sixteen 32-bit fields.
static_assert(sizeof(void*) != 4 || sizeof(AnchorRecord) == 64, "AnchorRecord is 64 bytes in the 32-bit program");

AnchorLayout g_anchorLayout;

AnchorList::AnchorList()
    : head_(NULL), tail_(NULL), count_(0), pool_(NULL), poolCount_(0)
{
}

AnchorNode* AnchorList::Add(const AnchorRecord& record)
{
    AnchorNode* node = pool_;
    if (node != NULL) {
        pool_ = node->next;
        poolCount_--;
    } else {
        node = new (std::nothrow) AnchorNode;
        if (node == NULL) return NULL;
    }
    node->previous = tail_;
    node->next = NULL;
    node->record = record;
    node->mark = 0;
    if (tail_ != NULL) tail_->next = node;
    else head_ = node;
    tail_ = node;
    count_++;
    return node;
}

void AnchorList::ReleaseNode(AnchorNode* node)
{
    if (poolCount_ < kPoolLimit) {
        node->previous = NULL;
        node->next = pool_;
        pool_ = node;
        poolCount_++;
    } else {
        delete node;
    }
}

void AnchorList::RemoveAll()
{
    AnchorNode* node = head_;
    // Unlink first: the release may reuse the node's links for the pool.
    head_ = tail_ = NULL;
    count_ = 0;
    while (node != NULL) {
        AnchorNode* next = node->next;
        ReleaseNode(node);
        node = next;
    }
}

void AnchorList::FreePool()
{
    while (pool_ != NULL) {
        AnchorNode* next = pool_->next;
        delete pool_;
        pool_ = next;
    }
    poolCount_ = 0;
}

AnchorLayout::AnchorLayout() : parent_(), reference_()
{
}

AnchorLayout::~AnchorLayout()
{
    Destroy();
}

AnchorRecord AnchorLayout::AttachParent(HWND window)
{
    parent_.control = window;
    parent_ = Measure(window, 0, 0, 0, 0, 1, 0, 0);
    reference_ = parent_;
    return parent_;
}

AnchorRecord AnchorLayout::Measure(HWND control, int32_t moveHorizontally, int32_t moveVertically,
                                   int32_t growWidth, int32_t growHeight, int32_t fifthFlag,
                                   int32_t xOffset, int32_t yOffset) const
{
    AnchorRecord record = {};
    RECT rect;
    if (control != NULL && GetWindowRect(control, &rect)) {
        record.control = control;
        record.left = rect.left;
        record.top = rect.top;
        record.right = rect.right;
        record.bottom = rect.bottom;
        POINT corner = {rect.left, rect.top};
        ScreenToClient(parent_.control, &corner);
        record.x = corner.x;
        record.y = corner.y;
        record.width = rect.right - rect.left;
        record.height = rect.bottom - rect.top;
    }
    record.moveHorizontally = moveHorizontally;
    record.moveVertically = moveVertically;
    record.growWidth = growWidth;
    record.growHeight = growHeight;
    record.fifthFlag = fifthFlag;
    record.xOffset = xOffset;
    record.yOffset = yOffset;
    return record;
}

AnchorNode* AnchorLayout::Add(const AnchorRecord& record)
{
    return list_.Add(record);
}

void AnchorLayout::Resize()
{
    if (reference_.control == NULL) return;
    parent_ = Measure(reference_.control, 0, 0, 0, 0, 1, 0, 0);
    const int32_t dx = parent_.width - reference_.width;
    const int32_t dy = parent_.height - reference_.height;
    for (AnchorNode* node = list_.head(); node != NULL; node = node->next) {
        const AnchorRecord& r = node->record;
        if (r.control == NULL) continue;
        MoveWindow(r.control,
                   r.x + (r.moveHorizontally ? dx : 0) + r.xOffset,
                   r.y + (r.moveVertically ? dy : 0) + r.yOffset,
                   r.width + (r.growWidth ? dx : 0),
                   r.height + (r.growHeight ? dy : 0),
                   FALSE);
    }
}

void AnchorLayout::RemoveAll()
{
    list_.RemoveAll();
}

void AnchorLayout::Destroy()
{
    list_.RemoveAll();
    list_.FreePool();
}
