#pragma once

#include <QObject>

class ViewTransparent;

// Where overlays tell each other that one of them came or went.
class ViewTransparentCenter : public QObject
{
    Q_OBJECT
public:
    static ViewTransparentCenter* instance();

    void postAdded(ViewTransparent* overlay);
    void postRemoved(ViewTransparent* overlay);

signals:
    void viewTransparentAdded(ViewTransparent* overlay);
    void viewTransparentRemoved(ViewTransparent* overlay);

private:
    ViewTransparentCenter() = default;
};
