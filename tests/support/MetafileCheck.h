#pragma once
// The metafiles the program writes, read by the independent record walker
// tests/support/metafile_check.py (run with the system's python3): every drawing
// point against the header's bounds, and the texts the records hold.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
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
    std::vector<int> textEscapements;            // EMF: the angle of each text, tenths of a degree
    std::vector<std::vector<int>> textAdvances;  // the advance of each character of each text
    std::vector<QRect> textBoxes;                // EMF: the box each text covers (null when turned)
    std::vector<int> frame;                      // EMF: the page's frame in hundredths of a millimetre
    // EMF: each poly record drawn with a pen: the pen's width and colour
    // (0x00BBGGRR) and the record's number of points.
    struct TStroke {
        int width = 0;
        uint32_t colour = 0;
        int points = 0;
    };
    std::vector<TStroke> strokes;
    // EMF: every drawing record in order: its record number, pen colour and fill
    // colour (-1 none) and its bounds; the record number and font height of each text.
    struct TShape {
        int record = 0;
        long long pen = -1, fill = -1;
        QRect box;
    };
    std::vector<TShape> shapes;
    std::vector<int> textRecords, textHeights;

    // The index of the first text equal to `t`; -1 when there is none.
    qsizetype TextIndex(const QString& t) const { return texts.indexOf(t); }
    // The fill colours of the swatches of a range legend: the fill drawn just
    // before each class text ("low - high"), in order.
    std::vector<long long> LegendSwatches() const
    {
        std::vector<long long> colours;
        for (qsizetype i = 0; i < texts.size() && size_t(i) < textRecords.size(); ++i) {
            if (texts[i].split(QStringLiteral(" - ")).size() != 2)
                continue;
            long long fill = -1;
            for (const TShape& s : shapes)
                if (s.record < textRecords[size_t(i)] && s.fill >= 0)
                    fill = s.fill;
            colours.push_back(fill);
        }
        return colours;
    }
    // How many filled shapes have this colour.
    int FillsOf(long long colour) const
    {
        int n = 0;
        for (const TShape& s : shapes)
            n += s.fill == colour;
        return n;
    }

    // The box of the first text equal to `t` (a null box when there is none).
    QRect TextBox(const QString& t) const
    {
        for (qsizetype i = 0; i < texts.size(); ++i)
            if (texts[i] == t && size_t(i) < textBoxes.size())
                return textBoxes[size_t(i)];
        return QRect();
    }
    // The texts holding a letter (titles, captions, names), the stamp aside.
    QStringList WordTexts() const
    {
        QStringList words;
        for (const QString& t : texts)
            if (t.contains(QRegularExpression(QStringLiteral("[A-Za-z]"))) && !t.startsWith(QStringLiteral("Generado por")))
                words << t;
        return words;
    }
    // The page the header bounds give, as a rectangle.
    QRect Page() const
    {
        return bounds.size() == 4 ? QRect(QPoint(bounds[0], bounds[1]), QPoint(bounds[2], bounds[3])) : QRect();
    }

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
    for (const QJsonValue& v : o.value("text_escapements").toArray())
        r.textEscapements.push_back(v.toInt());
    for (const QJsonValue& v : o.value("text_dx").toArray()) {
        std::vector<int> dx;
        for (const QJsonValue& d : v.toArray())
            dx.push_back(d.toInt());
        r.textAdvances.push_back(dx);
    }
    for (const QJsonValue& v : o.value("text_boxes").toArray()) {
        const QJsonArray b = v.toArray();
        r.textBoxes.push_back(b.size() == 4 ? QRect(QPoint(b.at(0).toInt(), b.at(1).toInt()),
                                                    QPoint(b.at(2).toInt(), b.at(3).toInt()))
                                            : QRect());
    }
    for (const QJsonValue& v : o.value("frame").toArray())
        r.frame.push_back(v.toInt());
    for (const QJsonValue& v : o.value("strokes").toArray())
        r.strokes.push_back({v.toArray().at(0).toInt(), uint32_t(v.toArray().at(1).toDouble()), v.toArray().at(2).toInt()});
    for (const QJsonValue& v : o.value("shapes").toArray()) {
        const QJsonArray a = v.toArray();
        r.shapes.push_back({a.at(0).toInt(), (long long)a.at(1).toDouble(), (long long)a.at(2).toDouble(),
                            QRect(QPoint(a.at(3).toInt(), a.at(4).toInt()), QPoint(a.at(5).toInt(), a.at(6).toInt()))});
    }
    for (const QJsonValue& v : o.value("text_records").toArray())
        r.textRecords.push_back(v.toInt());
    for (const QJsonValue& v : o.value("text_heights").toArray())
        r.textHeights.push_back(v.toInt());
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
    EXPECT_GE(classes.size(), 5u) << texts;
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

// Each of the texts (a legend's title, caption, class texts) is on the page
// whole, as the reader measures it, and clear of the stamp (the text starting
// "Generado por"); every text named is there.
inline void ExpectTextsOnPageClearOfStamp(const TMetafileReport& r, const QStringList& names)
{
    const std::string all = r.texts.join('|').toStdString();
    QRect stamp;
    for (qsizetype i = 0; i < r.texts.size(); ++i)
        if (r.texts[i].startsWith(QStringLiteral("Generado por")) && size_t(i) < r.textBoxes.size())
            stamp = r.textBoxes[size_t(i)];
    EXPECT_FALSE(stamp.isNull()) << "no stamp: " << all;
    // The reader's box is an estimate from the font's height and the rounded
    // advances: a few pixels of slack.
    const QRect page = r.Page().adjusted(-3, -3, 3, 3);
    for (const QString& name : names) {
        int found = 0;
        for (qsizetype i = 0; i < r.texts.size() && size_t(i) < r.textBoxes.size(); ++i) {
            if (r.texts[i] != name)
                continue;
            ++found;
            const QRect box = r.textBoxes[size_t(i)];
            EXPECT_TRUE(page.contains(box)) << name.toStdString() << " at " << box.left() << "," << box.top() << " "
                                            << box.width() << "x" << box.height() << " outside the page "
                                            << page.width() << "x" << page.height();
            EXPECT_FALSE(box.intersects(stamp)) << name.toStdString() << " over the stamp";
        }
        EXPECT_GT(found, 0) << "no text " << name.toStdString() << " in " << all;
    }
}

// The legend titled `title` is drawn over the map: in the page's corner named
// (right or left, bottom), and after every drawing record outside that corner's
// quarter of the page, so no link crosses it and no band hides under its box.
inline void ExpectLegendOverMapInCorner(const TMetafileReport& r, const QString& title, bool right)
{
    const qsizetype i = r.TextIndex(title);
    ASSERT_GE(i, 0) << "no legend " << title.toStdString() << " in " << r.texts.join('|').toStdString();
    ASSERT_LT(size_t(i), r.textRecords.size());
    const QRect page = r.Page(), box = r.textBoxes[size_t(i)];
    const QRect quarter = right ? QRect(QPoint(page.center().x(), page.center().y()), page.bottomRight())
                                : QRect(QPoint(page.left(), page.center().y()), QPoint(page.center().x(), page.bottom()));
    EXPECT_TRUE(quarter.contains(box.center())) << title.toStdString() << " at " << box.x() << "," << box.y()
                                                << " on a page " << page.width() << "x" << page.height();
    int after = 0;
    for (const TMetafileReport::TShape& s : r.shapes)
        after += s.record > r.textRecords[size_t(i)] && !quarter.intersects(s.box);
    EXPECT_EQ(after, 0) << "drawing records outside the legend's corner come after " << title.toStdString();
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
