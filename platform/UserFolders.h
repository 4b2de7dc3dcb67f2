#pragma once

#include <QByteArray>
#include <QByteArrayList>

// The folders a user thinks of as theirs and the drives they would scan.
class UserFolders
{
public:
    // Desktop, documents and pictures folders of the user whose home is
    // `home`, from `<configHome>/user-dirs.dirs` (XDG user folders, names may
    // be localised), else <home>/Desktop, <home>/Documents, <home>/Pictures.
    // `configHome` empty means `<home>/.config`.
    static QByteArrayList desktopDocumentsPictures(const QByteArray& home, const QByteArray& configHome = {});

    // Mounted volumes a user would call drives: "/" first, then the folders
    // directly under /media/<user>, /run/media/<user> and /mnt (listing order,
    // names starting with a special character skipped). `root` prefixes the
    // three folders (tests); "/" itself is always first.
    static QByteArrayList drives(const QByteArray& user, const QByteArray& root = {});

    // A name whose first character is one of !~`@#$%^&*-+();:={}[],.<>?\/"'
    // (every hidden name among them): never offered as a location.
    static bool isSpecialName(const QByteArray& name);
    // Folders directly in `folder` (links to folders count), in listing
    // order, special names skipped; empty when it is not a readable folder.
    static QByteArrayList subfoldersOf(const QByteArray& folder);
};
