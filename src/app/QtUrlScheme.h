// The program's URL scheme "zizovu": other programs open "zizovu:..." links
// with the phone, which receives "/uri:" and the URL as its parameter.
//
// Registering writes a desktop entry with MimeType=x-scheme-handler/zizovu
// into the user's applications folder ($XDG_DATA_HOME/applications) and, when
// xdg-mime is installed, makes it the scheme's default handler. Removing
// deletes the entry and the scheme's associations with it in the user's
// mimeapps.list. A missing xdg-mime is no failure: desktops also find the
// handler through the entry's MimeType.
//
// Threading: window thread. Qt Core only.
#pragma once

#include <QString>

namespace zy {

inline constexpr char kUrlSchemeName[] = "zizovu";
inline constexpr char kUrlSchemeMimeType[] = "x-scheme-handler/zizovu";
inline constexpr char kUrlHandlerFileName[] = "zyphone-zizovu.desktop";

// "$XDG_DATA_HOME/applications" (else ~/.local/share/applications).
QString UserApplicationsFolder();
// "$XDG_CONFIG_HOME/mimeapps.list" (else ~/.config/mimeapps.list).
QString UserMimeAppsList();

// The desktop entry that hands a link to `programPath` as "/uri:<url>".
QString UrlHandlerEntry(const QString& programPath);

struct UrlSchemeResult {
  bool ok = true;
  QString error;  // the system's text of the failure
};

UrlSchemeResult RegisterUrlScheme(const QString& programPath);
UrlSchemeResult RemoveUrlScheme();

}  // namespace zy
