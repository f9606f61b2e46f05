#pragma once
// The independent readers that judge the archives the component writes: the
// system python's zipfile, unzip and 7z, each run as its own process.
#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

namespace archivecheck {

struct ToolResult {
    int ExitCode = -1;      // -1: could not start or did not end within a minute
    std::string Output;     // standard output and error together
};

inline ToolResult RunTool(const QString& program, const QStringList& args, const QString& workingDir = QString())
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!workingDir.isEmpty()) p.setWorkingDirectory(workingDir);
    p.start(program, args);
    ToolResult r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(2000);
        return r;
    }
    r.Output = p.readAll().toStdString();
    r.ExitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// python3 zipfile: every entry read back (CRC checked) with the password, then one
// line per entry: the name as the reader decodes it, a tab, the size and the
// SHA-1 of the contents.
inline ToolResult PythonZipList(const std::string& archive, const std::string& password = std::string())
{
    static const char* script =
        "import sys, zipfile, hashlib\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "pw = sys.argv[2].encode('utf-8') if sys.argv[2] else None\n"
        "for i in z.infolist():\n"
        "    data = z.read(i, pwd=pw)\n"
        "    sys.stdout.buffer.write(('%s\\t%d\\t%s\\n' % (i.filename, len(data), hashlib.sha1(data).hexdigest())).encode('utf-8'))\n";
    return RunTool("/usr/bin/python3", {"-c", script, Q(archive), Q(password)});
}

// python3 zipfile: every entry's data read (zipfile checks the CRC), then one line
// per entry in directory order: name, a tab, the size, a tab, the CRC-32 in hex.
inline ToolResult PythonZipEntries(const std::string& archive)
{
    static const char* script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.argv[1])\n"
        "for i in z.infolist():\n"
        "    z.read(i)\n"
        "    sys.stdout.buffer.write(('%s\\t%d\\t%08x\\n' % (i.filename, i.file_size, i.CRC)).encode('utf-8'))\n";
    return RunTool("/usr/bin/python3", {"-c", script, Q(archive)});
}

// `unzip -t` (with -P when a password is given). Its exit code is 0 only when
// every entry tests good and the archive structure is sound.
inline ToolResult UnzipTest(const std::string& archive, const std::string& password = std::string())
{
    QStringList args{"-t"};
    if (!password.empty()) args << "-P" << Q(password);
    args << Q(archive);
    return RunTool("unzip", args);
}

// `7z t` (with -p). Exit code 0 only without errors or warnings of structure.
inline ToolResult SevenZipTest(const std::string& archive, const std::string& password = std::string())
{
    QStringList args{"t", "-bd"};
    if (!password.empty()) args << "-p" + Q(password);
    // A self-extracting archive is opened as the zip it is, not as a program.
    if (QString::fromStdString(archive).endsWith(".exe", Qt::CaseInsensitive)) args << "-tzip";
    args << Q(archive);
    return RunTool("7z", args);
}

// `7z l -slt`: the technical listing (paths, methods, warnings).
inline ToolResult SevenZipList(const std::string& archive)
{
    return RunTool("7z", {"l", "-slt", Q(archive)});
}

// `unzip -Z1`: the names as unzip decodes them, one a line.
inline ToolResult UnzipNames(const std::string& archive) { return RunTool("unzip", {"-Z1", Q(archive)}); }

} // namespace archivecheck
