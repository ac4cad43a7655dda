// Strict conversions between the system's UTF-8 and the browser's UTF-16.
#pragma once

// prefix, the UTF-8 text and suffix as one new UTF-16 string (free with
// free()). Null when the text is not valid UTF-8 or memory runs out.
wchar_t* editor_text_to_utf16(const wchar_t* prefix, const char* text, const wchar_t* suffix);
