#pragma once

#include <QString>

// What a bundle (X.app/Contents/{Info.plist, MacOS/X, Resources/}) says
// about itself.
class BundleInfo
{
public:
    static inline const QString shortVersionKey = QStringLiteral("CFBundleShortVersionString");
    static inline const QString identifierKey = QStringLiteral("CFBundleIdentifier");

    // The bundle whose Contents/MacOS folder is `executableDir`; empty when
    // the folder is not laid out that way.
    static QString bundleOfExecutableDir(const QString& executableDir);
    static QString infoPlistPath(const QString& bundlePath);
    // A string value of the Info.plist at `infoPlist`; null when missing.
    static QString value(const QString& infoPlist, const QString& key);
};
