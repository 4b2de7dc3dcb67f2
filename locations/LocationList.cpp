#include "locations/LocationList.h"

#include "platform/ConsoleUser.h"
#include "platform/PathText.h"
#include "platform/UserFolders.h"
#include "scan/Formatting.h"

#include <QCollator>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

const char SupportedImageTypes[] =
    "_bmp_gif_jpg_png_psd_pspimage_thm_tif_yuv_tiff_jpeg_ai_cr2_crw_dng_kdc_nef_mrw_orf_x3f_raw_raf_dcx_";

QByteArray withoutTrailingSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    return path;
}

QByteArray lastComponent(const QByteArray& path)
{
    const QByteArray trimmed = withoutTrailingSlashes(path);
    if (trimmed == "/") {
        return trimmed;
    }
    return trimmed.mid(trimmed.lastIndexOf('/') + 1);
}

// Text after the last dot of the last component; a name whose only dot
// leads it (".profile") has none.
QByteArray pathExtension(const QByteArray& path)
{
    const QByteArray name = lastComponent(path);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0) {
        return {};
    }
    return name.mid(dot + 1);
}

LocationEntry addedEntry(const QByteArray& path, bool folder, const QString& size)
{
    LocationEntry entry;
    entry.name = path;
    entry.state = true;
    entry.folder = folder;
    entry.size = size;
    return entry;
}

} // namespace

QString LocationList::noticeText(Notice notice)
{
    switch (notice) {
    case Notice::FolderAlreadyAdded:
        return QStringLiteral("Folder already added.");
    case Notice::ImageAlreadyAdded:
        return QStringLiteral("Image already added.");
    case Notice::FileAlreadyAdded:
        return QStringLiteral("File already added.");
    case Notice::UnsupportedFile:
        return QStringLiteral("Unsupported file.");
    case Notice::None:
        break;
    }
    return {};
}

bool LocationList::isSpecialFolder(const QByteArray& name)
{
    return UserFolders::isSpecialName(name);
}

QByteArrayList LocationList::getFoldersAtPath(const QByteArray& path)
{
    QByteArrayList folders = UserFolders::subfoldersOf(path);
    sortByName(folders);
    return folders;
}

bool LocationList::isSupportedImage(const QByteArray& path)
{
    const QByteArray extension = pathExtension(path).toLower();
    if (extension.isEmpty()) {
        return false;
    }
    return QByteArray(SupportedImageTypes).contains('_' + extension + '_');
}

bool LocationList::imageIsAlreadyThere(const QByteArray& path) const
{
    bool listed = false;
    for (const LocationEntry& entry : m_entries) {
        if (entry.name == path) {
            listed = true;
        } else if (pathExtension(entry.name).isEmpty() && path.startsWith(entry.name + '/')) {
            listed = true;
        }
    }
    return listed;
}

QString LocationList::imageNameOfPath(const QByteArray& path) const
{
    // The desktop keeps its icon by role: its folder may carry a localised name.
    const bool isDesktop = !m_environment.userFolders.isEmpty() && m_environment.userFolders.first() == path;
    if (isDesktop || lastComponent(path) == "Desktop") {
        return QStringLiteral("mymac.png");
    }
    if (!m_environment.drives.contains(path)) {
        return QStringLiteral("folder.png");
    }
    const MountTable::Info info = m_environment.mounts.infoFor(path);
    if (MountTable::isNetworkType(info.fsType)) {
        return QStringLiteral("network_drive.png");
    }
    if (info.removable || MountTable::isRemovableType(info.fsType)) {
        return QStringLiteral("usb_drive.png");
    }
    if (MountTable::isNativeType(info.fsType)) {
        return QStringLiteral("g5_apple_drive.png");
    }
    return QStringLiteral("folder.png");
}

LocationEntry LocationList::defaultEntry(const QByteArray& path) const
{
    LocationEntry entry;
    entry.name = path;
    entry.image = imageNameOfPath(path);
    entry.state = m_stateArray.contains(path);
    entry.folder = true;
    entry.reference = m_referenceArray.contains(path);
    return entry;
}

void LocationList::setEnvironment(Environment environment)
{
    m_reader = [environment] { return environment; };
    m_environment = std::move(environment);
}

LocationList::Environment LocationList::systemEnvironment(const QByteArray& driveRoot)
{
    Environment environment;
    const QString user = ConsoleUser::getUserName();
    const QByteArray home = ConsoleUser::homeDirectory(user);
    if (!home.isEmpty()) {
        // Our own session may move its config folder; another user's stays at ~/.config.
        const QByteArray configHome = home == qgetenv("HOME") ? qgetenv("XDG_CONFIG_HOME") : QByteArray();
        for (const QByteArray& folder : UserFolders::desktopDocumentsPictures(home, configHome)) {
            struct stat st
            {
            };
            // A folder the user does not have is not offered.
            if (::stat(folder.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
                environment.userFolders.append(folder);
            }
        }
    }
    QByteArrayList drives = UserFolders::drives(QFile::encodeName(user), driveRoot);
    if (!drives.isEmpty()) {
        const QByteArray root = drives.takeFirst();
        sortByName(drives);
        drives.prepend(root);
    }
    environment.drives = drives;
    environment.mounts = MountTable::system();
    return environment;
}

void LocationList::sortByName(QByteArrayList& paths)
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    QList<std::pair<QString, QByteArray>> keyed;
    keyed.reserve(paths.size());
    for (const QByteArray& path : std::as_const(paths)) {
        keyed.append({PathText::display(lastComponent(path)), path});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&collator](const auto& a, const auto& b) {
        const int order = collator.compare(a.first, b.first);
        return order != 0 ? order < 0 : a.second < b.second;
    });
    for (qsizetype i = 0; i < keyed.size(); ++i) {
        paths[i] = keyed.at(i).second;
    }
}

void LocationList::readEnvironment()
{
    m_environment = m_reader ? m_reader() : systemEnvironment();
}

LocationList::LocationList(QObject* parent) : QObject(parent) {}

void LocationList::insertEntry(qsizetype at, const LocationEntry& entry)
{
    const int row = int(at);
    Q_EMIT entriesAboutToBeInserted(row, row);
    m_entries.insert(at, entry);
    Q_EMIT entriesInserted(row, row);
}

void LocationList::removeEntries(qsizetype first, qsizetype last)
{
    Q_EMIT entriesAboutToBeRemoved(int(first), int(last));
    m_entries.remove(first, last - first + 1);
    Q_EMIT entriesRemoved(int(first), int(last));
}

void LocationList::setEntries(const QList<LocationEntry>& entries)
{
    Q_EMIT entriesAboutToBeReset();
    m_entries = entries;
    Q_EMIT entriesReset();
}

void LocationList::setInitialState()
{
    // Drives come and go and folders are made while the program runs.
    readEnvironment();
    QByteArrayList candidates;
    if (m_scanFolderClicked) {
        candidates = m_environment.userFolders;
    }
    candidates += m_environment.drives;
    QList<LocationEntry> defaults;
    for (const QByteArray& path : std::as_const(candidates)) {
        if (!MountTable::isNetworkType(m_environment.mounts.infoFor(path).fsType)) {
            defaults.append(defaultEntry(path));
        }
    }
    if (defaults.isEmpty()) {
        return;
    }
    const int first = int(m_entries.size());
    Q_EMIT entriesAboutToBeInserted(first, first + int(defaults.size()) - 1);
    m_entries += defaults;
    Q_EMIT entriesInserted(first, first + int(defaults.size()) - 1);
}

LocationList::Notice LocationList::addFolders(const QByteArrayList& paths)
{
    bool duplicate = false;
    for (const QByteArray& path : paths) {
        if (imageIsAlreadyThere(path)) {
            duplicate = true;
        } else {
            insertEntry(m_entries.size(), addedEntry(path, true, QString()));
        }
    }
    return duplicate ? Notice::FolderAlreadyAdded : Notice::None;
}

LocationList::Notice LocationList::addFiles(const QByteArrayList& paths)
{
    bool duplicate = false;
    for (const QByteArray& path : paths) {
        if (imageIsAlreadyThere(path)) {
            duplicate = true;
            continue;
        }
        struct stat st
        {
        };
        if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
            continue;
        }
        insertEntry(m_entries.size(),
                    addedEntry(path, false, Formatting::getFormattedStringForSize(quint64(st.st_size))));
    }
    return duplicate ? Notice::ImageAlreadyAdded : Notice::None;
}

bool LocationList::acceptDrop(const QByteArrayList& paths, int row, Notice* notice)
{
    const qsizetype before = m_entries.size();
    qsizetype at = std::clamp<qsizetype>(row, 0, before);
    bool alreadyListed = false;
    bool nonFolder = false;
    for (const QByteArray& path : paths) {
        struct stat st
        {
        };
        const bool readable = !path.isEmpty() && ::stat(path.constData(), &st) == 0;
        if (readable && S_ISDIR(st.st_mode)) {
            if (imageIsAlreadyThere(path)) {
                alreadyListed = true;
            } else {
                insertEntry(at++, addedEntry(path, true, QString()));
            }
            continue;
        }
        nonFolder = true;
        if (!isSupportedImage(path)) {
            continue;
        }
        if (imageIsAlreadyThere(path)) {
            alreadyListed = true;
        } else if (readable) {
            insertEntry(at++,
                        addedEntry(path, false, Formatting::getFormattedStringForSize(quint64(st.st_size))));
        }
    }
    const bool added = m_entries.size() != before;
    if (notice) {
        *notice = added           ? Notice::None
                  : alreadyListed ? Notice::FileAlreadyAdded
                  : nonFolder     ? Notice::UnsupportedFile
                                  : Notice::None;
    }
    return added;
}

void LocationList::checkButtonExactFirstpage(int row, bool on)
{
    if (row < 0 || row >= m_entries.size()) {
        return;
    }
    LocationEntry& entry = m_entries[row];
    entry.state = on;
    if (on) {
        m_stateArray.append(entry.name);
    } else {
        m_stateArray.removeAll(entry.name);
    }
    Q_EMIT entriesChanged(row, row);
}

void LocationList::markAllExact()
{
    for (LocationEntry& entry : m_entries) {
        entry.state = true;
    }
    if (!m_entries.isEmpty()) {
        Q_EMIT entriesChanged(0, int(m_entries.size()) - 1);
    }
}

void LocationList::unmarkAllExact()
{
    for (LocationEntry& entry : m_entries) {
        entry.state = false;
    }
    if (!m_entries.isEmpty()) {
        Q_EMIT entriesChanged(0, int(m_entries.size()) - 1);
    }
}

void LocationList::removeFromListExact()
{
    for (const LocationEntry& entry : std::as_const(m_entries)) {
        if (entry.state) {
            m_referenceArray.removeAll(entry.name); // added again, it starts plain
        }
    }
    // Each run of marked rows leaves at once, from the end so the rows
    // before it keep their numbers.
    qsizetype last = m_entries.size() - 1;
    while (last >= 0) {
        if (!m_entries.at(last).state) {
            --last;
            continue;
        }
        qsizetype first = last;
        while (first > 0 && m_entries.at(first - 1).state) {
            --first;
        }
        removeEntries(first, last);
        last = first - 1;
    }
}

void LocationList::markUnmarkTable(int row, bool mark)
{
    if (row >= 0 && row < m_entries.size()) {
        m_entries[row].state = mark;
        Q_EMIT entriesChanged(row, row);
    }
}

void LocationList::removeFromListMenuClicked(int row)
{
    if (row >= 0 && row < m_entries.size()) {
        m_referenceArray.removeAll(m_entries.at(row).name);
        removeEntries(row, row);
    }
}

void LocationList::setReference(int row, bool on)
{
    if (row < 0 || row >= m_entries.size()) {
        return;
    }
    LocationEntry& entry = m_entries[row];
    entry.reference = on;
    m_referenceArray.removeAll(entry.name);
    if (on) {
        m_referenceArray.append(entry.name);
        if (!entry.state) {
            checkButtonExactFirstpage(int(row), true);
        }
    }
    Q_EMIT entriesChanged(row, row);
}

void LocationList::reset()
{
    clear();
    m_stateArray.clear();
    m_referenceArray.clear();
}

void LocationList::showFolderPage(const QByteArray& folder, const QByteArrayList& subfolders)
{
    Q_EMIT entriesAboutToBeReset();
    m_entries.clear();
    const bool marked = m_stateArray.contains(folder);
    for (const QByteArray& subfolder : subfolders) {
        LocationEntry entry;
        entry.name = subfolder;
        entry.state = marked;
        entry.folder = true;
        entry.reference = m_referenceArray.contains(subfolder);
        m_entries.append(entry);
    }
    // A marked folder marks what is below it, also on pages shown later.
    if (marked) {
        m_stateArray += subfolders;
    }
    Q_EMIT entriesReset();
}

void LocationList::clear()
{
    if (!m_entries.isEmpty()) {
        removeEntries(0, m_entries.size() - 1);
    }
}

LocationList::ButtonStates LocationList::reflectMarkStatusForRemoveButton() const
{
    ButtonStates buttons;
    if (m_entries.isEmpty()) {
        return buttons;
    }
    qsizetype markedFolders = 0;
    qsizetype markedFiles = 0;
    qsizetype unmarked = 0;
    for (const LocationEntry& entry : m_entries) {
        if (!entry.state) {
            ++unmarked;
        } else if (entry.folder) {
            ++markedFolders;
        } else {
            ++markedFiles;
        }
    }
    const bool anyMarked = markedFolders + markedFiles > 0;
    buttons.markAll = unmarked > 0;
    buttons.unmarkAll = anyMarked;
    buttons.remove = anyMarked;
    buttons.scan = markedFiles > 1 || markedFolders >= 1;
    return buttons;
}
