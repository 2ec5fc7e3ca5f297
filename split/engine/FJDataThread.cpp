#include "split/engine/FJDataThread.h"

#include "app/core/K.h"
#include "app/core/Logging.h"
#include "platform/MountRoot.h"
#include "split/engine/FJJobFile.h"
#include "split/engine/FJSheetHtml.h"
#include "split/engine/GoodsFolderName.h"
#include "split/engine/ProductFolderNames.h"
#include "split/engine/ProductionSheetPdf.h"
#include "app/core/AtomicFile.h"
#include "app/core/TemporarySweep.h"

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMetaObject>
#include <QPainter>

namespace {

const QString kCopyPhoto = QStringLiteral("拷贝照片");
const QString kOnlyFinished = QStringLiteral("只要成品");
const QString kFinishedThumb = QStringLiteral("成品缩略图");
const QString kRetouched = QStringLiteral("精修成品");
const QString kFinished = QStringLiteral("成品");
const QString kRejected = QStringLiteral("汰片");
const QString kBase = QStringLiteral("入底");

QString withoutTrailingSeparators(QString path)
{
    while (path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\')))
        path.chop(1);
    return path;
}

// The photo's 90-pixel copy lies in the "90" folder beside its "all" folder.
QString thumbnailSource(QString path)
{
    path.replace(QStringLiteral("\\all\\"), QStringLiteral("\\90\\"));
    path.replace(QStringLiteral("/all/"), QStringLiteral("/90/"));
    return path;
}

// A full target path given by the window: absolute and free of "." and "..".
bool isPlainTarget(const QString &path)
{
    return !path.isEmpty() && MountRoot::isStrictlyBelow(path, QFileInfo(path).path());
}

QString offShareNote(const QString &name)
{
    return name + QStringLiteral(" 不在共享目录内");
}

QString mimeTypeForSuffix(const QString &suffix)
{
    if (suffix == QLatin1String("png"))
        return QStringLiteral("image/png");
    if (suffix == QLatin1String("gif"))
        return QStringLiteral("image/gif");
    if (suffix == QLatin1String("bmp"))
        return QStringLiteral("image/bmp");
    if (suffix == QLatin1String("webp"))
        return QStringLiteral("image/webp");
    return QStringLiteral("image/jpeg");
}

} // namespace

FJDataThread::FJDataThread(QString jobType, QString category, QString srcPath, QString imgName,
                           QString destPath, QWidget *receiver)
    : m_receiver(receiver)
    , m_jobType(std::move(jobType))
    , m_srcPath(withoutTrailingSeparators(K::pathConvert(srcPath)))
    , m_imgName(std::move(imgName))
    , m_destPath(std::move(destPath))
    , m_category(std::move(category))
{
    setAutoDelete(true);
}

FJDataThread::FJDataThread(QString jobType, const QJsonObject &imageRecord, const QString &imageData,
                           QString destPath, QWidget *receiver)
    : m_receiver(receiver)
    , m_jobType(std::move(jobType))
    , m_destPath(std::move(destPath))
    , m_imageRecord(imageRecord)
    , m_imageData(imageData)
{
    setAutoDelete(true);
}

FJDataThread::FJDataThread(QString jobType, const QJsonObject &orderObj, const QJsonObject &goodsObj,
                           QString destPath, QWidget *receiver)
    : m_receiver(receiver)
    , m_jobType(std::move(jobType))
    , m_destPath(std::move(destPath))
    , m_goodsObj(goodsObj)
    , m_orderObj(orderObj)
{
    setAutoDelete(true);
}

FJDataThread::FJDataThread(QString jobType, QWidget *receiver)
    : m_receiver(receiver)
    , m_jobType(std::move(jobType))
{
    setAutoDelete(true);
}

FJDataThread::~FJDataThread() = default;

void FJDataThread::run()
{
    if (!share.isPinned() && !m_srcPath.isEmpty())
        share.pin(m_srcPath);
    if (m_jobType == QStringLiteral("下载精修片") || m_jobType == QStringLiteral("下载原始档"))
        copyYSDPic();
    else if (m_jobType == kCopyPhoto)
        copyPic();
    else if (m_jobType == QStringLiteral("存储照片"))
        savePic();
    else if (m_jobType == QStringLiteral("创建产品"))
        createPro();
    else if (m_jobType == QStringLiteral("生成Html"))
        saveHTML();
    else if (m_jobType == QStringLiteral("下载照片交付-拷贝原始档"))
        copyXZZPJF_YSD();
    else if (m_jobType == QStringLiteral("下载照片交付-拷贝原片"))
        copyXZZPJF_YP();
}

void FJDataThread::copyPicBlock(bool ok, QString third, QString message)
{
    // Whatever failed once the share went away failed for that reason.
    if (!ok && share.isPinned() && !share.stillThere())
        message = K::missingShareMessage(share.shareFolder());
    else if (!ok && m_unreachable)
        message = unreachableMessage();
    QWidget *receiver = m_receiver.data();
    if (!receiver) {
        qCWarning(lcSplit).noquote() << QStringLiteral("接收结果的窗口已关闭: %1 %2").arg(m_jobType, m_srcPath);
        return;
    }
    QMetaObject::invokeMethod(receiver, "slt_copypicthread", Qt::QueuedConnection, Q_ARG(bool, ok),
                              Q_ARG(QString, m_jobType), Q_ARG(QString, m_srcPath), Q_ARG(QString, third),
                              Q_ARG(QString, message));
}

QString FJDataThread::unreachableMessage()
{
    return QStringLiteral("连接不上共享目录");
}

QString FJDataThread::listedNote(const QString &text)
{
    return QLatin1Char('\n') + text + QLatin1Char('\n');
}

QStringList FJDataThread::listedNotes(const QString &message)
{
    // The first and last pieces are the notes glued before and after.
    QStringList lines = message.split(QLatin1Char('\n'));
    lines = lines.mid(1, lines.size() - 2);
    lines.removeAll(QString());
    return lines;
}

FJDataThread::Source FJDataThread::source(const QString &path)
{
    if (!share.holds(path))
        return share.stillThere() ? Source::OffShare : Source::Missing;
    switch (FJJobFile::sourceState(path)) {
    case FJJobFile::SourceState::Missing:
        return Source::Missing;
    case FJJobFile::SourceState::Unreachable:
        m_unreachable = true;
        return Source::Unreachable;
    case FJJobFile::SourceState::File:
        break;
    }
    // A link may lead off the share: only what really lies on it is read.
    return share.reaches(path) ? Source::File : Source::OffShare;
}

QString FJDataThread::refusal(Source state, const QString &missing) const
{
    switch (state) {
    case Source::OffShare:
        return offShareNote(m_imgName);
    case Source::Unreachable:
        return unreachableMessage();
    case Source::File:
    case Source::Missing:
        break;
    }
    return missing;
}

void FJDataThread::sweepBeforeWriting(const QString &path)
{
    if (sweep && isPlainTarget(path))
        sweep->beforeWritingTo(path);
}

bool FJDataThread::copied(FJJobFile::CopyResult result)
{
    if (result == FJJobFile::CopyResult::Unreachable)
        m_unreachable = true;
    return FJJobFile::holdsSource(result);
}

void FJDataThread::copyYSDPic()
{
    if (!FJJobFile::ensureFolder(m_destPath)) {
        copyPicBlock(false, QString(), m_destPath + QStringLiteral(" 路径创建失败/连接不上服务端"));
        return;
    }
    const QString target = FJJobFile::childPath(m_destPath, m_imgName);
    const Source state = source(m_srcPath);
    if (state != Source::File) {
        copyPicBlock(false, QString(), refusal(state, m_imgName + QStringLiteral(" 拷贝失败")));
        return;
    }
    QString error;
    if (target.isEmpty() || !copied(FJJobFile::copyNew(m_srcPath, target, &error, sweep.get()))) {
        qCDebug(lcSplit).noquote() << QStringLiteral("拷贝失败: %1 -> %2 %3").arg(m_srcPath, target, error);
        copyPicBlock(false, QString(), m_imgName + QStringLiteral(" 拷贝失败"));
        return;
    }
    copyPicBlock(true, photoId, QString());
}

void FJDataThread::copyThumbnail(QString *notes, bool *done)
{
    *done = false;
    const QString folder = FJJobFile::childPath(m_destPath, QStringLiteral("缩略图"));
    FJJobFile::ensureFolder(folder);
    const QString thumbnail = thumbnailSource(m_srcPath);
    const Source state = source(thumbnail);
    if (state == Source::OffShare) {
        // Named as the thumbnail, not the photo, and set apart: every mode lists it.
        notes->append(listedNote(offShareNote(m_imgName + QStringLiteral(" 缩略图"))));
        return;
    }
    if (state != Source::File) {
        notes->append(refusal(state, m_imgName + QStringLiteral("缩略图不存在")));
        return;
    }
    const QString target = FJJobFile::childPath(folder, m_imgName);
    if (target.isEmpty() || !copied(FJJobFile::copyNew(thumbnail, target, nullptr, sweep.get()))) {
        notes->append(m_imgName + QStringLiteral("缩略图复制失败"));
        return;
    }
    *done = true;
}

void FJDataThread::copyRawFiles(bool toFirstDot, QString *notes)
{
    static const QStringList lower = {".cr2", ".raw", ".nef", ".arw", ".cr3", ".raf"};
    static const QStringList upper = {".CR2", ".RAW", ".NEF", ".ARW", ".CR3", ".RAF"};

    const QFileInfo photo(m_srcPath);
    const QString base = toFirstDot ? photo.baseName() : photo.completeBaseName();
    if (base.isEmpty())
        return;
    const QString rawSource = QFileInfo(photo.absolutePath()).absolutePath() + QStringLiteral("/原始档");
    if (!share.reaches(rawSource) || !QFileInfo(rawSource).isDir())
        return;
    const QString rawTarget = FJJobFile::childPath(m_destPath, QStringLiteral("原始档"));
    FJJobFile::ensureFolder(rawTarget);

    for (int i = 0; i < lower.size(); ++i) {
        QString found;
        Source state = Source::Missing;
        for (const QString &ext : {lower.at(i), upper.at(i)}) {
            state = source(rawSource + QLatin1Char('/') + base + ext);
            if (state != Source::Missing) {
                found = ext;
                break;
            }
        }
        if (found.isEmpty()) {
            notes->append(m_imgName + QStringLiteral("没有") + upper.at(i));
            continue;
        }
        if (state == Source::OffShare) {
            notes->append(listedNote(offShareNote(base + found)));
            continue;
        }
        if (state != Source::File) {
            notes->append(refusal(state, QString()));
            continue;
        }
        const QString target = FJJobFile::childPath(rawTarget, base + found);
        const QString raw = rawSource + QLatin1Char('/') + base + found;
        if (target.isEmpty() || !copied(FJJobFile::copyNew(raw, target, nullptr, sweep.get())))
            notes->append(m_imgName + found + QStringLiteral("复制失败"));
    }
}

void FJDataThread::copyPic()
{
    const QString &c = m_category;
    const bool known = c == kOnlyFinished || c == kFinishedThumb || c == kRetouched || c == kFinished
        || c == kRejected || c == kBase;
    if (!known) {
        // The window still counts this job, so it must hear of it.
        copyPicBlock(false, QString(), m_imgName + QStringLiteral("照片复制失败"));
        return;
    }
    if (c != kRejected && c != kBase)
        m_srcPath.replace(QStringLiteral("\\/"), QStringLiteral("/"));

    QString notes;
    if (c == kOnlyFinished || c == kFinishedThumb || c == kFinished || c == kBase) {
        bool copied = false;
        copyThumbnail(&notes, &copied);
        if (c == kFinishedThumb) {
            copyPicBlock(copied, QString(), copied ? QString() : notes.trimmed());
            return;
        }
    }

    const QString sub = c == kRejected ? kRejected : c == kBase ? kBase : kFinished;
    const QString folder = FJJobFile::childPath(m_destPath, sub);
    FJJobFile::ensureFolder(folder);
    const Source state = source(m_srcPath);
    if (state != Source::File) {
        copyPicBlock(false, QString(), refusal(state, m_imgName + QStringLiteral("照片不存在")));
        return;
    }
    if (c == kRetouched || c == kFinished)
        copyRawFiles(c == kRetouched, &notes);

    const QString target = FJJobFile::childPath(folder, m_imgName);
    const FJJobFile::CopyResult result =
        target.isEmpty() ? FJJobFile::CopyResult::Failed : FJJobFile::copyNew(m_srcPath, target, nullptr, sweep.get());
    copied(result);
    if (result == FJJobFile::CopyResult::TargetExists) {
        // A second run into the same folder keeps what is there; only other bytes are worth a line.
        copyPicBlock(false, QString(), m_imgName + QStringLiteral("目标文件已存在且内容不同"));
        return;
    }
    if (!FJJobFile::holdsSource(result)) {
        copyPicBlock(false, QString(), m_imgName + QStringLiteral("照片复制失败"));
        return;
    }
    copyPicBlock(true, QString(), notes);
}

void FJDataThread::savePic()
{
    if (m_imageData.isEmpty()) {
        copyPicBlock(false, QString(), QStringLiteral("文件不存在"));
        return;
    }
    QString text = m_imageData;
    const int marker = text.indexOf(QLatin1String("base64,"));
    if (text.startsWith(QLatin1String("data:image")) && marker >= 0)
        text = text.mid(marker + 7);
    const QByteArray bytes = QByteArray::fromBase64(text.toUtf8());
    if (bytes.isEmpty()) {
        copyPicBlock(false, QString(), QStringLiteral("文件不存在"));
        return;
    }
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        copyPicBlock(false, QString(), QStringLiteral("无法从数据创建图像"));
        return;
    }
    const QString name = FJJobFile::text(m_imageRecord, QStringLiteral("img_name"));
    const QString path = FJJobFile::childPath(m_destPath, name);
    const QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    sweepBeforeWriting(path);
    if (path.isEmpty() || format.isEmpty() || !AtomicFile::writeImage(image, path, format, -1)) {
        copyPicBlock(false, QString(),
                     QStringLiteral("保存文件失败：") + (path.isEmpty() ? m_destPath + name : path));
        return;
    }
    copyPicBlock(true, QString(), QString());
}

QString FJDataThread::returnGoodsNamePath(QJsonObject item)
{
    return GoodsFolderName::build(m_orderObj, m_goodsObj, item, goodsFolderNameRules);
}

QString FJDataThread::r(QString key) const
{
    return FJJobFile::text(m_orderObj, key);
}

void FJDataThread::createPro()
{
    using FJJobFile::childPath;
    using FJJobFile::text;

    const QString groupName = ProductFolderNames::groupFolder(m_orderObj, m_goodsObj);
    const QString group = childPath(m_destPath, groupName);
    const QString finished = childPath(childPath(m_destPath, QStringLiteral("其他")), kFinished);
    const QString goodName = text(m_goodsObj, QStringLiteral("goodname"));
    QString failures;
    // A folder that is not there is a failure of its own, pictures or not.
    auto folderFailed = [&failures](const QString &folder) {
        failures += QLatin1Char('\n') + folder + QStringLiteral(" 文件夹创建失败");
    };
    if (!FJJobFile::ensureFolder(group)) {
        folderFailed(group.isEmpty() ? m_destPath + groupName : group);
        copyPicBlock(false, QString(), failures);
        return;
    }

    auto makeProduct = [&](const QString &name, const QJsonArray &pictures, const QString &label) {
        const QString path = childPath(group, name);
        const QString folder = path.isEmpty() ? QString() : ProductFolderNames::claimFolder(path);
        if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
            folderFailed(path.isEmpty() ? group + QLatin1Char('/') + name : path);
            return;
        }
        for (const QJsonValue &value : pictures) {
            const QString img = text(FJJobFile::object(value), QStringLiteral("img_name"));
            const QString source = childPath(finished, img);
            const QString target = childPath(folder, img);
            if (source.isEmpty() || target.isEmpty()
                || !FJJobFile::holdsSource(FJJobFile::copyNew(source, target, nullptr, sweep.get())))
                failures += QLatin1Char('\n') + label + QStringLiteral("的") + img + QStringLiteral("拷贝失败");
        }
    };

    const QJsonArray sons = FJJobFile::array(m_goodsObj, QStringLiteral("son_good"));
    if (!sons.isEmpty()) {
        for (const QJsonValue &value : sons) {
            const QJsonObject son = FJJobFile::object(value);
            const QString name = goodsFolderNameRules.isEmpty()
                ? ProductFolderNames::sonProduct(m_orderObj, m_goodsObj, son)
                : returnGoodsNamePath(son);
            makeProduct(name, FJJobFile::array(son, QStringLiteral("picpath")),
                        goodName + QLatin1Char('_') + text(son, QStringLiteral("goodname")));
        }
    } else if (text(m_goodsObj, QStringLiteral("goodtypeid")) != QLatin1String("40")) {
        const QString name = goodsFolderNameRules.isEmpty()
            ? ProductFolderNames::singleProduct(m_orderObj, m_goodsObj)
            : returnGoodsNamePath(m_goodsObj);
        makeProduct(name, FJJobFile::array(m_goodsObj, QStringLiteral("imgs")), goodName);
    }
    copyPicBlock(failures.isEmpty(), QString(), failures);
}

void FJDataThread::saveHTML()
{
    m_orderObj = FJJobFile::object(detailData.value(QStringLiteral("order")));
    const QString html = FJSheetHtml::build(detailData, orderDir, QDateTime::currentDateTime());

    // The sheet goes nowhere but the order's own "其他" folder.
    const QString other = FJJobFile::childPath(orderDir, QStringLiteral("其他"));
    QString error;
    const bool written = !other.isEmpty() && FJJobFile::ensureFolder(other)
        && ProductionSheetPdf::write(html, other, &error, sweep.get());
    if (!written) {
        qCWarning(lcSplit).noquote() << QStringLiteral("明细制作单生成失败: %1 %2").arg(orderDir, error);
        copyPicBlock(false, QString(), QStringLiteral("明细制作单.pdf 未生成"));
        return;
    }
    copyPicBlock(true, QString(), QString());
}

void FJDataThread::copyXZZPJF_YSD()
{
    const Source state = source(m_srcPath);
    if (state != Source::File) {
        copyPicBlock(false, QString(), refusal(state, m_imgName + QStringLiteral(" 拷贝失败")));
        return;
    }
    const bool done =
        isPlainTarget(m_destPath) && copied(FJJobFile::copyNew(m_srcPath, m_destPath, nullptr, sweep.get()));
    copyPicBlock(done, QString(), done ? QString() : m_imgName + QStringLiteral(" 拷贝失败"));
}

void FJDataThread::copyXZZPJF_YP()
{
    const Source state = source(m_srcPath);
    if (state != Source::File) {
        qCDebug(lcSplit).noquote() << QStringLiteral("源文件不存在:") << m_srcPath;
        copyPicBlock(false, QString(), refusal(state, m_imgName + QStringLiteral(" 源文件不存在")));
        return;
    }
    sweepBeforeWriting(m_destPath);
    // An earlier copy is replaced only once the new one is complete.
    auto plainCopy = [this] {
        const bool copied = isPlainTarget(m_destPath) && AtomicFile::copy(m_srcPath, m_destPath);
        copyPicBlock(copied, QString(), copied ? QString() : m_imgName + QStringLiteral(" 拷贝失败"));
    };

    QImageReader reader(m_srcPath);
    if (!reader.canRead()) {
        qCDebug(lcSplit).noquote() << QStringLiteral("无法读取图片EXIF信息，直接拷贝:") << m_srcPath;
        plainCopy();
        return;
    }
    if (reader.transformation() == QImageIOHandler::TransformationNone) {
        qCDebug(lcSplit).noquote() << QStringLiteral("图片方向正常，直接拷贝:") << m_srcPath;
        plainCopy();
        return;
    }
    qCDebug(lcSplit).noquote() << QStringLiteral("检测到图片需要转正，文件: %1").arg(m_srcPath);
    QElapsedTimer timer;
    timer.start();
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        qCDebug(lcSplit).noquote() << QStringLiteral("转正时无法读取图片，直接拷贝:") << m_srcPath;
        plainCopy();
        return;
    }
    const QString suffix = QFileInfo(m_srcPath).suffix().toLower();
    const bool jpeg = suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
    QString error;
    if (isPlainTarget(m_destPath)
        && AtomicFile::writeImage(image, m_destPath, suffix.toLatin1(), jpeg ? 100 : -1, &error)) {
        qCDebug(lcSplit).noquote()
            << QStringLiteral("图片转正拷贝成功: %1 (耗时: %2ms)").arg(m_srcPath, QString::number(timer.elapsed()));
        copyPicBlock(true, QString(), QString());
        return;
    }
    qCDebug(lcSplit).noquote() << QStringLiteral("图片转正保存失败: %1, 错误: %2，尝试直接拷贝").arg(m_destPath, error);
    plainCopy();
}

QString FJDataThread::fittedDataUrl(QImageReader &reader, const QString &suffix, int width, int height)
{
    // Decoding at the box's size lets the JPEG decoder skip most of the work.
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty())
        reader.setScaledSize(full.scaled(width, height, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull())
        return QString();
    const bool fits = (image.width() == width && image.height() <= height)
        || (image.height() == height && image.width() <= width);
    if (!fits)
        image = image.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter painter(&canvas);
        painter.drawImage((width - image.width()) / 2, (height - image.height()) / 2, image);
    }
    QByteArray format = "JPEG";
    int quality = 85;
    QString mime = QStringLiteral("image/jpeg");
    if (suffix == QLatin1String("png") || suffix == QLatin1String("gif") || suffix == QLatin1String("bmp")) {
        format = suffix.toUpper().toLatin1();
        quality = -1;
        mime = mimeTypeForSuffix(suffix);
    }
    QByteArray payload;
    QBuffer buffer(&payload);
    buffer.open(QIODevice::WriteOnly);
    canvas.save(&buffer, format.constData(), quality);
    return QStringLiteral("data:%1;base64,%2").arg(mime, QString::fromLatin1(payload.toBase64()));
}

QString FJDataThread::convertImageToBase64DataUrl(const QString &path, int width, int height)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return QString();
    const QString suffix = info.suffix().toLower();
    if (width < 1 || height < 1) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        return QStringLiteral("data:%1;base64,%2")
            .arg(mimeTypeForSuffix(suffix), QString::fromLatin1(file.readAll().toBase64()));
    }
    QImageReader reader(path);
    return fittedDataUrl(reader, suffix, width, height);
}
