#include "update/UpdateCheck.h"

#include "update/HttpFetch.h"
#include "update/InternetConnection.h"
#include "update/UpdateAddress.h"
#include "update/UrlTable.h"

bool UpdateCheck::connectionAvailable(const Settings& settings)
{
    return settings.connectionTest ? settings.connectionTest() : InternetConnection::isAvailable();
}

UpdateCheck::Result UpdateCheck::run(const QVariantMap& urlTable, const QString& runningVersion,
                                     const Settings& settings)
{
    Result result;
    if (urlTable.isEmpty() || !connectionAvailable(settings)) {
        return result;
    }
    const QString location = UrlTable::text(urlTable, UrlTable::folderLocationKey);
    const QString name = UrlTable::text(urlTable, UrlTable::folderNameKey);
    if (location.isNull() || name.isNull()) {
        return result;
    }
    const QUrl url = UpdateAddress::toUrl(UpdateAddress::manifestAddress(location, name));
    HttpFetch::Limits limits;
    limits.totalMs = settings.timeoutMs;
    limits.cancel = settings.cancel;
    const HttpFetch::Result fetched = HttpFetch::get(url, limits);
    if (!fetched.ok || !UpdateManifest::parse(fetched.body, &result.manifest)) {
        return result;
    }
    result.manifestRead = true;
    const QString next = result.manifest.nextVersion(runningVersion);
    if (next.isNull()) {
        return result;
    }
    result.version = next;
    result.versionFolder = UpdateAddress::versionFolder(location, name, next);
    return result;
}
