#include "ui/ViewTransparentCenter.h"

ViewTransparentCenter* ViewTransparentCenter::instance()
{
    static ViewTransparentCenter center;
    return &center;
}

void ViewTransparentCenter::postAdded(ViewTransparent* overlay)
{
    emit viewTransparentAdded(overlay);
}

void ViewTransparentCenter::postRemoved(ViewTransparent* overlay)
{
    emit viewTransparentRemoved(overlay);
}
