// Opening a web address in the user's default handler.
#pragma once

// [editor thread] Starts "rundll32 url.dll,FileProtocolHandler" with the URI
// and waits for it to end. Failures are silent.
void open_external_link(const wchar_t* uri);
