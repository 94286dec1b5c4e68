// Handing a file to the user's mail program through Simple MAPI, for systems that have no
// Mail Recipient drop target. mapi32.dll is loaded at run time: a system without it, or
// without a mail program behind it, simply mails nothing.
#pragma once

#include <windows.h>

namespace kvo {

// Opens a new message in the user's mail program with the file at path attached (the mail
// program shows it to the user before anything is sent). True when the mail program took
// the message; false when there is no mapi32.dll, no MAPISendMail, the path is empty or
// too long, or the mail program refused it.
bool SendFileWithSimpleMapi(HWND owner, const wchar_t* path);

}  // namespace kvo
