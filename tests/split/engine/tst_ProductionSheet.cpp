#include "support/FJJobReports.h"
#include "support/FJSheetStudioData.h"
#include "support/PdfReadback.h"
#include "support/SmallTmpfs.h"
#include "split/engine/FJDataOperate.h"
#include "split/engine/FJDataThread.h"
#include "split/engine/FJSheetHtml.h"
#include "split/engine/ProductionSheetHtml.h"
#include "app/core/TemporarySweep.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>

#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace D = FJSheetStudioData;
using PdfReadback::Document;

namespace {

const QString kSheet = QStringLiteral("明细制作单.pdf");

QString dataUrl(int width, int height, const QColor &colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(bytes.toBase64());
}

// The widest row of any table of the sheet.
int widestTable(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    int widest = 0;
    QList<QTextFrame *> frames{document.rootFrame()};
    while (!frames.isEmpty()) {
        QTextFrame *frame = frames.takeFirst();
        if (auto *table = qobject_cast<QTextTable *>(frame))
            widest = qMax(widest, table->columns());
        frames << frame->childFrames();
    }
    return widest;
}

// The sheet of the job and the sheet of the order holder.
void addSheetKinds()
{
    QTest::addColumn<bool>("holder");
    QTest::newRow("job sheet") << false;
    QTest::newRow("holder sheet") << true;
}

// A full selection run: two rows and a part of selected photos, a base
// photo, the urgent album with son_good pictures, a product of seven pictures.
QJsonObject bigReply(const QString &disclaimer = QString())
{
    QJsonObject reply = D::reply();
    reply.insert("images", D::pictures("sel", 13));
    if (!disclaimer.isNull()) {
        QJsonObject order = reply.value("order").toObject();
        order.insert("shopdisclaimer", disclaimer);
        reply.insert("order", order);
    }
    return reply;
}

} // namespace

class TestProductionSheet : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void jobSheetShowsEverythingOnThePage();
    void holderSheetShowsEverythingOnThePage();
    void shopMarkupPrintsAndServiceTextStaysText_data();
    void shopMarkupPrintsAndServiceTextStaysText();
    void noPictureFromOutsideTheOrder();
    void sheetFailuresAreReported_data();
    void sheetFailuresAreReported();
    void sheetReplacesOldOneWithStudioPermissions();
    void headerNameOnOneLineBesideWideBarcode_data();
    void headerNameOnOneLineBesideWideBarcode();
    void productTablesListAndCount();
    void reviewSlotsOfNoTimeAreLeftOut_data();
    void reviewSlotsOfNoTimeAreLeftOut();
    void sheetOnAFullDiskFailsAndKeepsTheOldOne();
    void sheetOfARunClearsWhatKilledCopiesLeft_data();
    void sheetOfARunClearsWhatKilledCopiesLeft();

private:
    Document runJob(const QJsonObject &reply, FJJobReceiver::Report *report = nullptr,
                    const std::shared_ptr<TemporarySweep> &sweep = nullptr);

    QScopedPointer<QTemporaryDir> m_dir;
    QString m_orderDir;
};

void TestProductionSheet::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_orderDir = m_dir->path() + QStringLiteral("/A20240501-17-服务2 张伟-李娜 自取/");
    QVERIFY(D::writeOrderPictures(m_orderDir));
    for (int i = 7; i < 13; ++i)
        QVERIFY(D::writePicture(m_orderDir, QStringLiteral("缩略图/sel%1.jpg").arg(i)));
}

Document TestProductionSheet::runJob(const QJsonObject &reply, FJJobReceiver::Report *report,
                                    const std::shared_ptr<TemporarySweep> &sweep)
{
    FJJobReceiver receiver;
    auto *job = new FJDataThread(QStringLiteral("生成Html"), &receiver);
    job->detailData = reply;
    job->orderDir = m_orderDir;
    job->sweep = sweep;
    const FJJobReceiver::Report got = receiver.runOne(job);
    if (report)
        *report = got;
    return PdfReadback::read(m_orderDir + QStringLiteral("其他/") + kSheet);
}

void TestProductionSheet::jobSheetShowsEverythingOnThePage()
{
    FJJobReceiver::Report report;
    const Document pdf = runJob(bigReply(), &report);
    QVERIFY2(report.ok && report.onGuiThread && report.message.isEmpty(), qPrintable(report.message));
    QVERIFY(pdf.ok);
    QVERIFY2(pdf.offPage().isEmpty(), qPrintable(pdf.offPage().join(", ")));
    QVERIFY2(pdf.smallerThan(6).isEmpty(), qPrintable(pdf.smallerThan(6).join(", ")));

    const QString text = pdf.text();
    // Every caption is on the page; a long one may wrap after its stem.
    QStringList names;
    for (int i = 0; i < 13; ++i)
        names << QStringLiteral("sel%1.jpg").arg(i);
    for (int i = 0; i < 7; ++i)
        names << QStringLiteral("frame%1.jpg").arg(i);
    names << "album0.jpg" << "album1.jpg" << "crystal0.jpg" << "base0.jpg" << "base1.jpg";
    for (const QString &name : qAsConst(names))
        QVERIFY2(!pdf.find(name.chopped(4)).text.isEmpty(), qPrintable(name));
    // Sections, headings and counts as the order has them.
    for (const char *label : {"星光摄影旗舰店", "总体要求", "消费要求", "调修要求", "指定制作", "加急件：", "普通件：",
                                 "已选张数（13张）", "入底张数（2张）", "客人确认签名："})
        QVERIFY2(text.contains(QString::fromUtf8(label)), label);
    // The last column of each product table keeps its header on one line.
    QCOMPARE(pdf.count(QStringLiteral("授权备注(对外)")), 3);
    // The print time, readable at the foot.
    QVERIFY(text.contains(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))));
    QCOMPARE(widestTable(FJSheetHtml::build(bigReply(), m_orderDir, QDateTime())), 10);

    // Every picture decoded into its box: the 40-pixel barcode, three marked
    // pictures of 120, and 100-pixel thumbnails for the rest (a picture cut
    // by a page break is drawn on both pages).
    int marks = 0;
    for (const PdfReadback::Image &image : pdf.images) {
        QVERIFY(image.width <= 120 && image.height <= 120);
        marks += image.width == 120 ? 1 : 0;
    }
    QVERIFY(marks >= 3);
    QVERIFY(pdf.pictures().size() >= 1 + 3 + 13 + 2 + 2 * 7 + 2 + 1);
}

void TestProductionSheet::holderSheetShowsEverythingOnThePage()
{
    FJDataOperate holder;
    holder.order = D::order();
    holder.barcodeUrl = QStringLiteral("https://studio.example/barcode");
    holder.imageSources.insert(holder.barcodeUrl, dataUrl(160, 40, Qt::black));
    holder.serviceVisits = D::reply().value("servicetime").toArray();
    for (int i = 0; i < 13; ++i) {
        const QString url = QStringLiteral("https://studio.example/p%1.jpg").arg(i);
        holder.selectedImages.insert(QStringLiteral("k%1").arg(i, 2, 10, QLatin1Char('0')),
                                     QJsonObject{{"url", url}, {"img_name", QStringLiteral("photo%1.jpg").arg(i)}});
        // Large pictures, as a caller's downloads are.
        holder.imageSources.insert(url, dataUrl(900, 600, QColor::fromHsv(i * 25, 200, 200)));
    }
    holder.retouchMarkImages.insert("m", QJsonObject{{"remark", R"([{"text":"提亮"}])"}});
    holder.imageSources.insert("m", dataUrl(600, 600, Qt::red));

    QVERIFY(holder.saveHTML(m_dir->path()));
    const Document pdf = PdfReadback::read(m_dir->filePath(kSheet));
    QVERIFY(pdf.ok);
    QVERIFY2(pdf.offPage().isEmpty(), qPrintable(pdf.offPage().join(", ")));
    QVERIFY2(pdf.smallerThan(6).isEmpty(), qPrintable(pdf.smallerThan(6).join(", ")));
    for (int i = 0; i < 13; ++i)
        QVERIFY(!pdf.find(QStringLiteral("photo%1.").arg(i)).text.isEmpty());
    QVERIFY(pdf.text().contains(QStringLiteral("1.提亮")));
    QCOMPARE(pdf.count(QStringLiteral("授权备注(对外)")), 3);
    QVERIFY(pdf.pictures().size() >= 1 + 1 + 13);
    for (const PdfReadback::Image &image : pdf.images)
        QVERIFY(image.width <= 160 && image.height <= 120);

    ProductionSheetInput input;
    input.serviceVisits = holder.serviceVisits;
    QMap<QString, QString> sources;
    QCOMPARE(widestTable(ProductionSheetHtml::build(input, sources, QDateTime())), 10);
}

void TestProductionSheet::shopMarkupPrintsAndServiceTextStaysText_data()
{
    addSheetKinds();
}

void TestProductionSheet::shopMarkupPrintsAndServiceTextStaysText()
{
    QFETCH(bool, holder);
    QJsonObject order = D::order();
    order.insert("shopdisclaimer", QStringLiteral("1. 甲<br>2. 乙"));
    order.insert("getphotodate_html", QStringLiteral("<b>2024-05-01</b>"));
    order.insert("mname", QStringLiteral("<b>张</b>&amp;"));

    Document pdf;
    if (holder) {
        FJDataOperate data;
        data.order = order;
        QVERIFY(data.saveHTML(m_dir->path()));
        pdf = PdfReadback::read(m_dir->filePath(kSheet));
    } else {
        QJsonObject reply = D::reply();
        reply.insert("order", order);
        pdf = runJob(reply);
    }
    QVERIFY(pdf.ok);
    const PdfReadback::Word first = pdf.find(QStringLiteral("甲"));
    const PdfReadback::Word second = pdf.find(QStringLiteral("乙"));
    QVERIFY(!first.text.isEmpty() && !second.text.isEmpty());
    QVERIFY2(second.page > first.page || second.box.top() > first.box.bottom() - 1,
             "the disclaimer's <br> breaks the line");
    const QString text = pdf.text();
    QVERIFY(text.contains(QStringLiteral("2024-05-01")) && !text.contains(QStringLiteral("<b>2024")));
    QVERIFY(text.contains(QStringLiteral("<b>张</b>&amp;")));
}

void TestProductionSheet::noPictureFromOutsideTheOrder()
{
    const QString outside = m_dir->filePath(QStringLiteral("outside.jpg"));
    QImage(300, 300, QImage::Format_RGB32).save(outside);
    const int plain = runJob(bigReply()).pictures().size();

    const QString markup = QStringLiteral("<img src=\"%1\"><img src=\"file://%1\"><table background=\"%1\"><tr><td>x</td></tr></table>")
                               .arg(outside);
    QJsonObject reply = bigReply(markup);
    QJsonObject order = reply.value("order").toObject();
    order.insert("getphotodate_html", markup);
    reply.insert("order", order);
    // A name that climbs out of the thumbnail folder names no file at all.
    reply.insert("images_rudi", QJsonArray{QJsonObject{{"img_name", "../../outside.jpg"}}, QJsonObject{{"img_name", outside}}});
    const Document pdf = runJob(reply);
    QVERIFY(pdf.ok);
    QCOMPARE(pdf.pictures().size(), plain - 2);
    for (const PdfReadback::Image &image : pdf.images)
        QVERIFY(image.width != 300);

    FJDataOperate holder;
    holder.order = order;
    holder.selectedImages.insert("a", QJsonObject{{"url", "u"}});
    holder.imageSources.insert("u", outside);
    holder.barcodeUrl = QStringLiteral("b");
    holder.imageSources.insert("b", QUrl::fromLocalFile(outside).toString());
    QVERIFY(holder.saveHTML(m_dir->path()));
    QVERIFY(PdfReadback::read(m_dir->filePath(kSheet)).pictures().isEmpty());
}

void TestProductionSheet::sheetFailuresAreReported_data()
{
    QTest::addColumn<QString>("blocker");
    // A file where a folder should be stops root as well.
    QTest::newRow("other is a file") << QStringLiteral("其他");
    QTest::newRow("sheet name is a folder") << QStringLiteral("其他/明细制作单.pdf/");
}

void TestProductionSheet::sheetFailuresAreReported()
{
    QFETCH(QString, blocker);
    QDir(m_orderDir + QStringLiteral("其他")).removeRecursively();
    if (blocker.endsWith(QLatin1Char('/'))) {
        QVERIFY(QDir().mkpath(m_orderDir + blocker));
    } else {
        QFile file(m_orderDir + blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    FJJobReceiver::Report report;
    runJob(D::reply(), &report);
    QVERIFY(!report.ok);
    QCOMPARE(report.message, QStringLiteral("明细制作单.pdf 未生成"));

    FJDataOperate holder;
    QVERIFY(!holder.saveHTML(m_orderDir + QStringLiteral("其他")));
    QVERIFY(QDir(m_orderDir + QStringLiteral("其他")).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty());
}

void TestProductionSheet::sheetReplacesOldOneWithStudioPermissions()
{
    const QString pdf = m_orderDir + QStringLiteral("其他/") + kSheet;
    {
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old sheet");
    }
    const mode_t previous = ::umask(027);
    FJJobReceiver::Report report;
    const Document read = runJob(QJsonObject(), &report);
    ::umask(previous);
    QVERIFY(report.ok && read.ok);
    QCOMPARE(int(QFileInfo(pdf).permissions() & 0x0777), 0x0640);
    QVERIFY(QDir(m_orderDir + QStringLiteral("其他")).entryList({".*"}, QDir::Files | QDir::Hidden).isEmpty());
}

void TestProductionSheet::headerNameOnOneLineBesideWideBarcode_data()
{
    addSheetKinds();
}

void TestProductionSheet::headerNameOnOneLineBesideWideBarcode()
{
    QFETCH(bool, holder);
    // The service's barcode pictures are 600 x 200.
    QImage wide(600, 200, QImage::Format_RGB32);
    wide.fill(Qt::white);
    QVERIFY(wide.save(m_orderDir + QStringLiteral("其他/条形码.jpg"), "JPEG"));
    Document pdf;
    if (holder) {
        FJDataOperate data;
        data.order = D::order();
        data.barcodeUrl = QStringLiteral("https://studio.example/barcode");
        QFile file(m_orderDir + QStringLiteral("其他/条形码.jpg"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        data.imageSources.insert(data.barcodeUrl,
                                 QStringLiteral("data:image/jpeg;base64,") + QString::fromLatin1(file.readAll().toBase64()));
        QVERIFY(data.saveHTML(m_dir->path()));
        pdf = PdfReadback::read(m_dir->filePath(kSheet));
    } else {
        pdf = runJob(D::reply());
    }
    QVERIFY(pdf.ok);
    QVERIFY2(pdf.offPage().isEmpty(), qPrintable(pdf.offPage().join(", ")));
    // The name's first and last characters stand on one line.
    const PdfReadback::Word first = pdf.find(QStringLiteral("星"));
    const PdfReadback::Word last = pdf.find(QStringLiteral("店"));
    QVERIFY(!first.text.isEmpty() && !last.text.isEmpty());
    QCOMPARE(first.page, last.page);
    QVERIFY2(qAbs(first.box.top() - last.box.top()) < 1,
             qPrintable(QStringLiteral("%1 / %2").arg(first.box.top()).arg(last.box.top())));
    // Its style applies: 24-pixel glyphs against the body's 14.
    const PdfReadback::Word body = pdf.find(QStringLiteral("订单号"));
    QVERIFY(!body.text.isEmpty());
    QVERIFY2(first.box.height() > 1.4 * body.box.height(),
             qPrintable(QStringLiteral("%1 vs %2").arg(first.box.height()).arg(body.box.height())));
    // The barcode is still there at full resolution, drawn to fit its 160 x 80 pixel cell (in points).
    const QSizeF cell = QSizeF(160, 80) * 72 / 96;
    bool barcode = false;
    for (const PdfReadback::Image &image : pdf.images) {
        if (image.width != 600 || image.height != 200)
            continue;
        barcode = true;
        QVERIFY2(image.drawn.width() <= cell.width() + 0.5 && image.drawn.height() <= cell.height() + 0.5,
                 qPrintable(QStringLiteral("%1 x %2").arg(image.drawn.width()).arg(image.drawn.height())));
    }
    QVERIFY(barcode);
}

void TestProductionSheet::productTablesListAndCount()
{
    const QString html = FJSheetHtml::build(D::reply(), m_orderDir, QDateTime());
    // A product marked for the other table is in neither.
    QVERIFY(!html.contains(QStringLiteral("错放的摆台")));
    QVERIFY(!html.contains(QStringLiteral("加急放错")));
    QCOMPARE(html.count(QStringLiteral("水晶相册")), 1);
    // The urgent album of type 40 counts its two son_good entries; the
    // other tables count one per product.
    QStringList totals;
    const QRegularExpression total(QStringLiteral("产品总数:(\\d+)件, 选中总张数共(\\d+)张"));
    for (auto it = total.globalMatch(html); it.hasNext();)
        totals << it.next().captured(0);
    QCOMPARE(totals, (QStringList{QStringLiteral("产品总数:2件, 选中总张数共2张"),
                                  QStringLiteral("产品总数:2件, 选中总张数共8张"),
                                  QStringLiteral("产品总数:1件, 选中总张数共7张")}));
    const int urgent = html.indexOf(QStringLiteral("加急件："));
    const int normal = html.indexOf(QStringLiteral("普通件："));
    QVERIFY(urgent >= 0 && urgent < html.indexOf(QStringLiteral("水晶相册")));
    QVERIFY(html.indexOf(QStringLiteral("水晶相册")) < normal);
}

void TestProductionSheet::reviewSlotsOfNoTimeAreLeftOut_data()
{
    QTest::addColumn<bool>("holder");
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("shown");
    QTest::newRow("job, no time") << false << ":00" << "";
    QTest::newRow("job, a time") << false << "15:30" << "15:30";
    QTest::newRow("job, midnight") << false << "00:00" << "00:00";
    QTest::newRow("holder, no time") << true << ":00" << "";
    QTest::newRow("holder, a time") << true << "15:30" << "15:30";
}

void TestProductionSheet::reviewSlotsOfNoTimeAreLeftOut()
{
    QFETCH(bool, holder);
    QFETCH(QString, slot);
    QFETCH(QString, shown);
    QJsonObject order = D::order();
    const QJsonObject area{{"timeTxt", slot}};
    order.insert("kanjinxiuarea", area);
    order.insert("kanbanarea", area);
    order.insert("getphotoarea", area);
    QString html;
    if (holder) {
        ProductionSheetInput input;
        input.order = order;
        QMap<QString, QString> sources;
        html = ProductionSheetHtml::build(input, sources, QDateTime());
    } else {
        QJsonObject reply = D::reply();
        reply.insert("order", order);
        html = FJSheetHtml::build(reply, m_orderDir, QDateTime());
    }
    QVERIFY(html.contains(QStringLiteral("看精修日期:   2024-04-01 ") + shown + QStringLiteral("</div>")));
    QVERIFY(html.contains(QStringLiteral("看版日期:   2024-04-10 ") + shown + QStringLiteral("</div>")));
    // The dispatch slot is shown as it is, ":00" included.
    QVERIFY(html.contains(QStringLiteral("发货日期:   2024-05-01 ") + slot + QStringLiteral("</div>")));
}

// A small tmpfs with a few pages left: the printer writes the sheet's first
// bytes and then runs out of space.
void TestProductionSheet::sheetOnAFullDiskFailsAndKeepsTheOldOne()
{
    const QString full = m_dir->filePath(QStringLiteral("full"));
    const SmallTmpfs tmpfs(full);
    if (!tmpfs.isMounted())
        QSKIP("mounting a tmpfs needs root");
    m_orderDir = full + QStringLiteral("/order/");
    const QString other = m_orderDir + QStringLiteral("其他/");
    QVERIFY(QDir().mkpath(other));
    {
        QFile old(other + kSheet);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old sheet") == 9);
    }
    QVERIFY(tmpfs.fill(2 * 4096));
    FJJobReceiver::Report report;
    runJob(D::reply(), &report);
    QVERIFY(!report.ok);
    QCOMPARE(report.message, QStringLiteral("明细制作单.pdf 未生成"));
    QFile kept(other + kSheet);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("old sheet"));
    QCOMPARE(QDir(other).entryList(QDir::Files | QDir::Hidden), QStringList{kSheet});
}

void TestProductionSheet::sheetOfARunClearsWhatKilledCopiesLeft_data()
{
    addSheetKinds();
}

// The sheet is a run's first write into its folder: a killed copy's
// temporary there goes, a young one (perhaps another client's) stays.
void TestProductionSheet::sheetOfARunClearsWhatKilledCopiesLeft()
{
    QFETCH(bool, holder);
    const QString other = m_orderDir + QStringLiteral("其他/");
    QVERIFY(QDir().mkpath(other));
    const QString stale = other + QStringLiteral(".") + kSheet + QStringLiteral(".part-0a1b2c3d4e");
    const QString young = other + QStringLiteral(".IMG_1.jpg.part-0a1b2c3d4e");
    for (const QString &path : {stale, young})
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    const struct timespec old[2] = {{std::time(nullptr) - 7200, 0}, {std::time(nullptr) - 7200, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(stale).constData(), old, 0), 0);
    const auto sweep = std::make_shared<TemporarySweep>();
    if (holder) {
        FJDataOperate data;
        data.sweep = sweep;
        QVERIFY(data.saveHTML(other));
    } else {
        FJJobReceiver::Report report;
        runJob(D::reply(), &report, sweep);
        QVERIFY(report.ok);
    }
    QVERIFY(QFileInfo::exists(other + kSheet));
    QVERIFY(!QFileInfo::exists(stale));
    QVERIFY(QFileInfo::exists(young));
}

QTEST_MAIN(TestProductionSheet)
#include "tst_ProductionSheet.moc"
