#include "platform/Trash.h"

#include <gio/gio.h>

bool Trash::moveToTrash(const QByteArray& path, QString* errorText)
{
    if (path.isEmpty()) {
        return false;
    }
    GFile* file = g_file_new_for_path(path.constData());
    GError* error = nullptr;
    const gboolean ok = g_file_trash(file, nullptr, &error);
    if (!ok && errorText && error) {
        *errorText = QString::fromUtf8(error->message);
    }
    if (error) {
        g_error_free(error);
    }
    g_object_unref(file);
    return ok;
}
