#pragma once
// A delimited text file as an independent reader sees it: python3's csv module,
// bytes kept (read as Latin-1 and handed back byte for byte).
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QString>

#include <string>
#include <vector>

namespace testutil {

// The rows of `file` split at `separator`; empty when python3 could not read it.
inline std::vector<std::vector<std::string>> CsvRows(const std::string& file, char separator = ',')
{
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import csv,json,sys\n"
                             "with open(sys.argv[1], newline='', encoding='latin-1') as f:\n"
                             "    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[2]))))"),
              QString::fromStdString(file), QString(QLatin1Char(separator))});
    std::vector<std::vector<std::string>> rows;
    if (!py.waitForFinished(30000) || py.exitCode() != 0)
        return rows;
    for (const QJsonValue& row : QJsonDocument::fromJson(py.readAllStandardOutput()).array()) {
        rows.emplace_back();
        for (const QJsonValue& cell : row.toArray())
            rows.back().push_back(cell.toString().toLatin1().toStdString());
    }
    return rows;
}

} // namespace testutil
