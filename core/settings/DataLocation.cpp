#include "core/settings/DataLocation.h"

#include <QDir>
#include <QFileInfo>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder an XDG variable names, or its default under the home folder.
QString xdgFolder(const QString& value, const QString& home, const char* underHome)
{
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(home + QLatin1Char('/') + QLatin1String(underHome));
}

// Creates the folder and its missing parents with the owner's rights only, so that another
// user cannot read the settings or the database of this one.
bool makeFolder(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.isDir();
    const QString parent = info.absolutePath();
    if (parent != path && !makeFolder(parent))
        return false;
    return QDir().mkdir(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
           QFileInfo(path).isDir();
}

} // namespace

UserFolders UserFolders::fromEnvironment()
{
    UserFolders user;
    user.home = qEnvironmentVariable("HOME");
    if (user.home.isEmpty()) {
        // A service started without HOME still has a home folder in the password database.
        if (const passwd* pw = getpwuid(getuid()))
            user.home = QFile::decodeName(pw->pw_dir);
    }
    user.configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    user.dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    return user;
}

bool IsSystemFolder(const QString& folder)
{
    // /bin may be a link to /usr/bin: judge the folder the path really names.
    QString path = QFileInfo(folder).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (path == QLatin1String("/"))
        return true;
    const QString top = path.section(QLatin1Char('/'), 1, 1);
    static const QStringList owned = {"usr", "bin", "sbin", "opt", "etc", "snap", "boot"};
    return owned.contains(top) || top.startsWith(QLatin1String("lib"));
}

// A user's private group (named as the user, the user's own, with no other members), as Debian's
// adduser makes it for a umask of 002, holds no one else: its write bit lets no stranger in.
bool isPrivateGroup(gid_t gid, uid_t owner)
{
    const passwd* user = ::getpwuid(owner);
    if (!user || user->pw_gid != gid)
        return false;
    const QByteArray userName(user->pw_name);
    const group* g = ::getgrgid(gid);
    return g && userName == g->gr_name && (!g->gr_mem || !g->gr_mem[0]);
}

QString Untrusted(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat link {};
    struct stat target {};
    if (::lstat(name.constData(), &link) != 0)
        return {};
    const uid_t me = ::geteuid();
    const auto stranger = [me](uid_t owner) { return owner != me && owner != 0; };
    const QString says = QStringLiteral("%1 belongs to another user").arg(path);
    if (stranger(link.st_uid))
        return says;
    if (::stat(name.constData(), &target) != 0)
        return {};
    if (stranger(target.st_uid))
        return says;
    // A group may hold other users; a folder's sticky bit does not stop them adding files.
    const bool groupOpen =
        (target.st_mode & S_IWGRP) && !isPrivateGroup(target.st_gid, target.st_uid);
    if (groupOpen || (target.st_mode & S_IWOTH))
        return QStringLiteral("other users may write to %1").arg(path);
    return {};
}

DataLocation LocateData(const QString& programFolder, const UserFolders& user)
{
    const QString settings = programFolder + QStringLiteral("/VANTOR.INI");
    const bool ownSettings = QFileInfo::exists(settings);
    DataLocation where{false,
                       {},
                       xdgFolder(user.configHome, user.home, ".config") + QStringLiteral("/vantor"),
                       xdgFolder(user.dataHome, user.home, ".local/share") +
                           QStringLiteral("/vantor")};
    if (!ownSettings && (!QFileInfo(programFolder).isWritable() || IsSystemFolder(programFolder)))
        return where;
    // Another user who could write these could have put their own server's address in the
    // settings, or records of theirs in the database.
    for (const QString& path :
         {programFolder, settings, programFolder + QStringLiteral("/vantor.mdb")}) {
        where.untrusted = Untrusted(path);
        if (!where.untrusted.isEmpty())
            return where;
    }
    return {true, {}, programFolder, programFolder};
}

bool CreateDataFolders(const DataLocation& where)
{
    if (where.portable)
        return true;
    const bool settings = makeFolder(where.settingsFolder);
    const bool data = makeFolder(where.dataFolder);
    return settings && data;
}
