// The news store: a few text files under "%APPDATA%\Quenvar", shared by every
// editor in every process, read and written under exclusive whole-file locks,
// with an optimistic update rule keyed on the first eight bytes of a file.
// Keeps no state between messages; every failure is silent towards the page
// except an update conflict.
#pragma once

#include <cstddef>

#include "editor_host.h"

inline constexpr char news_store_system_file[] = "nuvix-system";
inline constexpr char news_store_news_file[] = "nuvix-news";
inline constexpr char news_store_latest_file[] = "latest";

// [editor thread] One "nuvixV1 " text from the page (the editor_message_handler
// of both modules); replies, if any, through editor_host_send_text.
void news_store_handle_message(editor_host* host, const char* text);

// [any thread] "%APPDATA%\Quenvar" and a backslash before each UTF-8 component
// (all but the last when leave_out_last is set), as a new UTF-16 text to
// free(). Null when APPDATA is unset or empty, or any component is empty, not
// strict UTF-8, or could leave its folder ("." or "..", only dots and spaces,
// or holding "\", "/", ":" or a control character).
wchar_t* news_store_path(const char* const* components, size_t count, bool leave_out_last);

// [any thread] Length of the part of a path that is never created: a drive
// "C:", a share "\\server\share", the prefixes "\\?\" and "\\.\" with what
// follows them ("UNC\server\share", a drive, or nothing).
size_t news_store_root_length(const wchar_t* path);

// [any thread] Creates every folder along the path built as news_store_path
// does, top down, skipping its root. 0 on success (existing folders included),
// -1 if the path cannot be built or a folder cannot be created.
int news_store_make_folders(const char* const* components, size_t count, bool leave_out_last);

// [any thread] Reads a whole file under its lock. 0 with *content a new text to
// free() (possibly empty) when read; 0 with *content null when the file does
// not exist; -1 on any other failure, the path that cannot be built included.
int news_store_read(const char* const* components, size_t count, char** content);

// [any thread] Replaces a file's content with data, creating it and its
// folders. The old content stays intact until the lock is held. Failures are
// silent.
void news_store_write(const char* data, const char* const* components, size_t count);

// [editor thread] Conditional update of file_name (under the folder id, or
// none): body is the page's eight-byte token (or "-" for "only if empty"), one
// separator and the data. Applies when the file is empty or starts with the
// token; otherwise replies "nuvixV1 <conflict_word> <current content>". A body
// too short for its token and separator is ignored.
void news_store_sync(editor_host* host, const char* id, const char* file_name, const char* body,
                     const char* conflict_word);
