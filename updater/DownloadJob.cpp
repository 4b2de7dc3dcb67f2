#include "updater/DownloadJob.h"

#include "plist/PropertyListFile.h"
#include "update/HttpFetch.h"
#include "update/UpdateAddress.h"
#include "updater/ArchiveVerifier.h"
#include "updater/FileTree.h"
#include "updater/StatusCenter.h"
#include "updater/UpdaterStatus.h"

#include <QFile>
#include <QThread>
#include <sys/stat.h>

DownloadJob::DownloadJob(QString archiveAddress, UpdaterLayout layout, StatusCenter* center,
                         Settings settings)
    : m_address(UpdateAddress::escapeSpaces(archiveAddress)), m_layout(std::move(layout)), m_center(center),
      m_settings(std::move(settings))
{
    if (m_settings.cachesFolder.isEmpty()) {
        m_settings.cachesFolder = UpdaterLayout::cachesFolder();
    }
}

void DownloadJob::pause() const
{
    if (m_settings.pauseMs > 0) {
        QThread::msleep(ulong(m_settings.pauseMs));
    }
}

bool DownloadJob::fail()
{
    m_center->post(UpdaterStatus::exception);
    return false;
}

QByteArray DownloadJob::localArchivePath() const
{
    return m_settings.cachesFolder + '/' + QFile::encodeName(UpdateAddress::localArchiveName(m_address));
}

bool DownloadJob::run()
{
    m_center->post(UpdaterStatus::downloading);
    if (m_settings.digestMalformed) {
        return fail();
    }
    pause();

    HttpFetch::Limits limits;
    limits.totalMs = 0;
    limits.idleMs = m_settings.idleMs;
    limits.maxBytes = m_settings.maxBytes;
    limits.cancel = m_settings.cancel;
    const HttpFetch::Result fetched = HttpFetch::get(UpdateAddress::toUrl(m_address), limits);
    if (!fetched.ok || fetched.body.isEmpty()) {
        return fail();
    }
    m_center->postArchiveArrived();

    if (!FileTree::makePath(m_settings.cachesFolder)) {
        return fail();
    }
    m_center->post(UpdaterStatus::downloaded);
    pause();
    m_center->post(UpdaterStatus::checkingIntegrity);
    pause();

    // Leftovers of an earlier attempt go before anything new is written.
    const QByteArray archive = localArchivePath();
    const QByteArray temporary = UpdaterLayout::temporaryFolder(archive);
    if (!FileTree::remove(archive) || !FileTree::remove(temporary)) {
        return fail();
    }
    if (!PropertyListFile::writeAtomically(archive, fetched.body)) {
        return fail();
    }
    QList<ArchiveUnpacker::Entry> entries;
    if (ArchiveVerifier::check(fetched.body, m_settings.expectedSha256, &entries, m_settings.unpackLimits) !=
        ArchiveVerifier::Verdict::Sound) {
        return fail();
    }
    if (::mkdir(temporary.constData(), 0700) != 0) {
        return fail();
    }
    if (ArchiveUnpacker::unpack(fetched.body, temporary, &entries, m_settings.unpackLimits) !=
        ArchiveUnpacker::Verdict::Sound) {
        return fail();
    }
    Installer installer(m_layout, m_center, m_settings.install);
    installer.setEntries(entries);
    installer.setDigest(m_settings.expectedSha256);
    return installer.afterDownloadZipPath(archive, temporary);
}
