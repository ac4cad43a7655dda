// Replies to the page: the pieces joined into one text and sent through the
// editor host.
#pragma once

#include <cstddef>

#include "editor_host.h"

// false when the text could not be allocated (nothing is sent then).
bool news_store_reply(editor_host* host, const char* const* pieces, size_t count);
