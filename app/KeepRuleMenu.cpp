#include "app/KeepRuleMenu.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>

namespace {

struct Item
{
    const char* objectName;
    const char* title;
    const char* tip;
    KeepRule::Kind kind;
};

const Item Items[] = {
    {"keepFirstRule", "Keep First Found", "In every set, keep the file found first and mark the others",
     KeepRule::Kind::First},
    {"keepNewestRule", "Keep Newest", "In every set, keep the most recently modified file",
     KeepRule::Kind::Newest},
    {"keepOldestRule", "Keep Oldest", "In every set, keep the file modified longest ago",
     KeepRule::Kind::Oldest},
    {"keepShortestPathRule", "Keep Shortest Path", "In every set, keep the file with the shortest path",
     KeepRule::Kind::ShortestPath},
    {"keepLongestPathRule", "Keep Longest Path", "In every set, keep the file with the longest path",
     KeepRule::Kind::LongestPath},
    {"keepInsideFolderRule", "Keep Inside a Folder\u2026",
     "In every set, keep the copy inside a folder you choose", KeepRule::Kind::InsideFolder},
};

} // namespace

KeepRuleMenu::KeepRuleMenu(QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_dialogParent(dialogParent)
{
}

QStringList KeepRuleMenu::itemNames()
{
    QStringList names;
    for (const Item& item : Items) {
        names << QLatin1String(item.objectName);
    }
    return names;
}

void KeepRuleMenu::populate(QMenu* menu, QObject* context, std::function<void(const KeepRule&)> chosen)
{
    menu->setToolTipsVisible(true);
    for (const Item& item : Items) {
        QAction* action = menu->addAction(QString::fromUtf8(item.title));
        action->setObjectName(QLatin1String(item.objectName));
        action->setToolTip(QLatin1String(item.tip));
        const KeepRule::Kind kind = item.kind;
        connect(action, &QAction::triggered, context, [this, context, kind, chosen] {
            if (kind == KeepRule::Kind::InsideFolder) {
                askFolder(context, chosen);
            } else {
                chosen(KeepRule(kind));
            }
        });
    }
}

void KeepRuleMenu::askFolder(QObject* context, std::function<void(const KeepRule&)> chosen)
{
    if (m_dialog && m_dialog->isVisible()) {
        m_dialog->raise();
        return;
    }
    auto* dialog = new QFileDialog(m_dialogParent, tr("Keep the Copies Inside a Folder"), QDir::homePath());
    dialog->setObjectName(QStringLiteral("keepFolderDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    // Qt's own dialog on every desktop, as the location page's.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, tr("Choose"));
    m_dialog = dialog;
    connect(dialog, &QFileDialog::fileSelected, context, [chosen](const QString& folder) {
        if (!folder.isEmpty()) {
            chosen(KeepRule(KeepRule::Kind::InsideFolder, QFile::encodeName(folder)));
        }
    });
    dialog->open();
}
