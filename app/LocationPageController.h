#pragma once

#include "scan/LocationEntry.h"

#include <QObject>

class QListWidget;
class QPushButton;

// A plain list of folders to scan: the default entry, "Add Folders", check
// boxes, and the Scan button's rule (at least one marked entry).
class LocationPageController : public QObject
{
    Q_OBJECT
public:
    LocationPageController(QListWidget* list, QPushButton* scanButton, QObject* parent = nullptr);

    void setInitialState(const QByteArrayList& defaultFolders);
    void addFolders(const QByteArrayList& folders);
    QList<LocationEntry> entries() const;
    void clear();
    void refreshScanButton();

Q_SIGNALS:
    void addFoldersRequested();

private:
    QListWidget* m_list;
    QPushButton* m_scanButton;
};
