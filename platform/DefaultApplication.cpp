#include "platform/DefaultApplication.h"

#include <gio/gio.h>

QByteArray DefaultApplication::fileUri(const QByteArray& path)
{
    gchar* uri = g_filename_to_uri(path.constData(), nullptr, nullptr);
    if (!uri) {
        return {};
    }
    QByteArray result(uri);
    g_free(uri);
    return result;
}

bool DefaultApplication::openPath(const QByteArray& path)
{
    const QByteArray uri = fileUri(path);
    if (uri.isEmpty()) {
        return false;
    }
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(uri.constData(), nullptr, &error);
    if (error) {
        g_error_free(error);
    }
    return ok;
}
