// Links met by a deletion: removed as links, never followed into what they point at.
#pragma once
#include <stdint.h>

// Result of RemoveLinks.
enum LinkRemoval : uint8_t {
    kLinksRefused = 0,    // a link could not be removed as a link, or the tree could not be read:
                          // nothing was changed and the path must not be deleted
    kNoLinksLeft = 1,     // no link in the way (any that were inside have been removed)
    kPathWasLink = 2,     // the path itself was a link and is gone; its target is untouched
};

// Before the folder (or file) at path (canonical) is deleted: when path is itself a link, removes
// the link; otherwise removes every symbolic link, junction or other reparse point inside the
// folder's tree, without descending into any of them. Nothing is removed unless every link found
// can be addressed as a link of its own, distinct from its target.
LinkRemoval RemoveLinks(const char* path);

// 1 when handle (opened on path with FILE_FLAG_OPEN_REPARSE_POINT) is the link itself, an object
// distinct from what path reaches when followed; 0 where the platform opened the target instead.
uint8_t HandleIsLinkItself(void* handle, const char* path);
