#pragma once
// The metafiles the program writes, read by the independent record walker
// tests/support/metafile_check.py (run with the system's python3): every drawing
// point against the header's bounds, and the texts the records hold.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace testutil {

struct TMetafileReport {
    bool ran = false;        // the reader ran and answered
    std::string kind;        // "EMF" or "WMF"
    std::vector<int> bounds; // left, top, right, bottom
    int records = 0;
    int points = 0;          // drawing points walked
    int outside = 0;         // of them outside the bounds
    std::string firstOutside;
    std::vector<std::string> errors;
    QStringList texts;
    std::vector<std::pair<int, int>> textPoints; // reference point of each text
    std::vector<int> fontHeights;                // EMF: the height of each font created
    std::vector<uint32_t> textColours;           // EMF: the colour of each text, 0x00BBGGRR
    std::vector<std::vector<int>> textAdvances;  // the advance of each character of each text

    // The advances of the first text holding `t`, character by character.
    std::vector<int> AdvancesOf(const QString& t) const
    {
        for (qsizetype i = 0; i < texts.size(); ++i)
            if (texts[i].contains(t) && size_t(i) < textAdvances.size())
                return textAdvances[size_t(i)];
        return {};
    }

    bool HasText(const QString& t) const
    {
        for (const QString& s : texts)
            if (s.contains(t))
                return true;
        return false;
    }
    // The range legend's classes ("low - high" texts), as numbers, in drawing order.
    std::vector<std::pair<double, double>> RangeClasses() const
    {
        std::vector<std::pair<double, double>> classes;
        for (const QString& t : texts) {
            const QStringList parts = t.split(QStringLiteral(" - "));
            bool ok1 = false, ok2 = false;
            if (parts.size() == 2) {
                const double low = parts[0].trimmed().toDouble(&ok1), high = parts[1].trimmed().toDouble(&ok2);
                if (ok1 && ok2)
                    classes.emplace_back(low, high);
            }
        }
        return classes;
    }
    std::string Summary() const
    {
        std::string s = kind + " records " + std::to_string(records) + " points " + std::to_string(points)
                        + " outside " + std::to_string(outside) + " first " + firstOutside;
        for (const std::string& e : errors)
            s += " | " + e;
        return s;
    }
};

inline TMetafileReport CheckMetafile(const std::string& file)
{
    TMetafileReport r;
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(VELMORA_SOURCE_DIR "/tests/support/metafile_check.py"), QString::fromStdString(file)});
    if (!p.waitForFinished(120000))
        return r;
    const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput().trimmed()).object();
    if (o.isEmpty())
        return r;
    r.ran = true;
    r.kind = o.value("kind").toString().toStdString();
    for (const QJsonValue& v : o.value("bounds").toArray())
        r.bounds.push_back(v.toInt());
    r.records = o.value("records").toInt();
    r.points = o.value("points").toInt();
    r.outside = o.value("outside").toInt();
    r.firstOutside = QJsonDocument(o.value("first_outside").toArray()).toJson(QJsonDocument::Compact).toStdString();
    for (const QJsonValue& v : o.value("errors").toArray())
        r.errors.push_back(v.toString().toStdString());
    for (const QJsonValue& v : o.value("texts").toArray())
        r.texts << v.toString();
    for (const QJsonValue& v : o.value("font_heights").toArray())
        r.fontHeights.push_back(v.toInt());
    for (const QJsonValue& v : o.value("text_colors").toArray())
        r.textColours.push_back(uint32_t(v.toDouble()));
    for (const QJsonValue& v : o.value("text_dx").toArray()) {
        std::vector<int> dx;
        for (const QJsonValue& d : v.toArray())
            dx.push_back(d.toInt());
        r.textAdvances.push_back(dx);
    }
    for (const QJsonValue& v : o.value("text_points").toArray())
        r.textPoints.emplace_back(v.toArray().at(0).toInt(), v.toArray().at(1).toInt());
    return r;
}

// A picture of the link lengths as a colour map: its legend titled "Longitud"
// holds classes one above the other over a span that is not zero, each character
// advances by its own width (the i narrower than the o and the u), and no text
// runs past the page's right edge. Gives the classes.
inline std::vector<std::pair<double, double>> ExpectLengthColourMap(const TMetafileReport& r)
{
    const std::string texts = r.texts.join('|').toStdString();
    const std::vector<std::pair<double, double>> classes = r.RangeClasses();
    EXPECT_GE(classes.size(), 6u) << texts;
    for (size_t c = 2; c < classes.size(); ++c) {
        EXPECT_LT(classes[c - 1].second, classes[c].second) << texts;
        EXPECT_NEAR(classes[c].first, classes[c - 1].second, 1.0) << texts;
    }
    if (!classes.empty()) {
        EXPECT_GT(classes.back().second, classes.front().first) << texts;
    }
    const std::vector<int> dx = r.AdvancesOf(QStringLiteral("Longitud"));
    EXPECT_EQ(dx.size(), 8u) << texts;
    if (dx.size() == 8u) {
        EXPECT_LT(dx[4], dx[1]);
        EXPECT_LT(dx[4], dx[6]);
    }
    for (size_t i = 0; i < r.textAdvances.size() && i < r.textPoints.size() && r.bounds.size() == 4; ++i) {
        int end = r.textPoints[i].first;
        for (int d : r.textAdvances[i])
            end += d;
        EXPECT_LE(end, r.bounds[2] + 1) << r.texts.value(qsizetype(i)).toStdString();
    }
    return classes;
}

// A metafile that the reader walks without fault, with drawing inside its bounds.
#define EXPECT_METAFILE_SOUND(report)                                                                                \
    do {                                                                                                             \
        EXPECT_TRUE((report).ran);                                                                                   \
        EXPECT_TRUE((report).errors.empty()) << (report).Summary();                                                  \
        EXPECT_EQ((report).outside, 0) << (report).Summary();                                                        \
        EXPECT_GT((report).points, 0) << (report).Summary();                                                         \
    } while (0)

} // namespace testutil
