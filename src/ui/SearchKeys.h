#pragma once

#include "platform/KeyEvent.h"

namespace tolmix {

// The search in the scrollback as the keys drive it: a key begins it, and while it runs the
// keys it takes go to it before the macros and the key tables.
class SearchKeys {
  public:
    virtual ~SearchKeys() = default;
    virtual void BeginSearch() = 0;
    // True when the search runs and took the key.
    virtual bool SearchKey(const KeyEvent& key) = 0;
};

} // namespace tolmix
