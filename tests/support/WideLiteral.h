#pragma once
// A UTF-16 literal of the platform's WCHAR type: L"" on Windows, u"" on the host.
#ifdef _WIN32
#define WTEXT(s) L##s
#else
#define WTEXT(s) u##s
#endif
