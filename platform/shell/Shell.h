#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// Opening a file or address with the desktop's handler for it, as the "open" verb of the
// file manager would.
namespace Shell {

// Hands the url to the desktop; returns whether a handler could be started.
using OpenHook = std::function<bool(const QUrl& url)>;

// Replaces the desktop hand-off (tests use this so that no program is launched).
// An empty hook restores the desktop.
void setOpenHook(OpenHook hook);

// Opens a local file (absolute or relative to the working folder) or a url with a scheme.
// Returns false when the file does not exist or nothing could open it.
bool openDocument(const QString& fileOrUrl);

bool openUrl(const QUrl& url);

} // namespace Shell
