#include "platform/shell/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace Shell {

namespace {

OpenHook& currentHook()
{
    static OpenHook hook;
    return hook;
}

} // namespace

void setOpenHook(OpenHook hook)
{
    currentHook() = std::move(hook);
}

bool openUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    if (const OpenHook& hook = currentHook())
        return hook(url);
    return QDesktopServices::openUrl(url);
}

bool openDocument(const QString& fileOrUrl)
{
    if (fileOrUrl.trimmed().isEmpty())
        return false;
    const QFileInfo info(fileOrUrl);
    if (info.exists())
        return openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
    // A missing file must not reach the desktop as a bare word; only a real address may.
    const QUrl url(fileOrUrl, QUrl::StrictMode);
    if (url.isValid() && url.scheme().size() > 1 && !url.isLocalFile())
        return openUrl(url);
    if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile()))
        return openUrl(url);
    return false;
}

} // namespace Shell
