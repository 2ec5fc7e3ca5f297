#pragma once

#include "platform/ShareGuard.h"
#include "split/engine/FJJobFile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QPointer>
#include <QRunnable>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QImageReader;
class TemporarySweep;

// One background job of the split and download tools, run once on the split
// window's thread pool and deleted by it. The job type picks the work; every
// job the window creates reports exactly once, by a queued call of the
// receiver's "slt_copypicthread(bool, QString, QString, QString, QString)".
class FJDataThread : public QRunnable
{
public:
    // "拷贝照片", "下载原始档", "下载精修片", "下载照片交付-拷贝原始档", "下载照片交付-拷贝原片".
    FJDataThread(QString jobType, QString category, QString srcPath, QString imgName, QString destPath,
                 QWidget *receiver);
    // "存储照片".
    FJDataThread(QString jobType, const QJsonObject &imageRecord, const QString &imageData, QString destPath,
                 QWidget *receiver);
    // "创建产品": destPath is the order folder.
    FJDataThread(QString jobType, const QJsonObject &orderObj, const QJsonObject &goodsObj, QString destPath,
                 QWidget *receiver);
    // "生成Html".
    FJDataThread(QString jobType, QWidget *receiver);
    ~FJDataThread() override;

    void run() override;

    // The folder name the naming rule gives item (the goods item or one of its son_good entries).
    QString returnGoodsNamePath(QJsonObject item);
    // The order object's text value of key; empty unless it is a JSON string.
    QString r(QString key) const;

    // The picture at path as a data URL; fitted onto a white width x height
    // canvas when both are at least 1. Null text when the file cannot be used.
    static QString convertImageToBase64DataUrl(const QString &path, int width, int height);
    // The picture of reader fitted onto a white width x height canvas, encoded
    // by suffix ("png", "gif", "bmp", else JPEG at 85); null text when it does not decode.
    static QString fittedDataUrl(QImageReader &reader, const QString &suffix, int width, int height);

    // Set by the window after construction, before the job is started.
    QString orderDir;
    QJsonObject detailData;
    QString photoId;
    QJsonArray goodsFolderNameRules;
    // The share the order's files are read from, pinned when the run met it;
    // a job given none pins its source's share when it starts.
    ShareGuard share;
    // The run's folders written so far: the first write into one removes the
    // temporaries killed copies left there. None: nothing is removed.
    std::shared_ptr<TemporarySweep> sweep;

    // The note of a job whose share did not answer (its server went away).
    static QString unreachableMessage();
    // A note every tool lists, also from a job that succeeded: set apart on
    // its own line among the job's other notes.
    static QString listedNote(const QString &text);
    // The notes of message that listedNote set apart, in their order.
    static QStringList listedNotes(const QString &message);

    // Read back by the window and by tests.
    QString jobType() const { return m_jobType; }
    QString srcPath() const { return m_srcPath; }
    QString imgName() const { return m_imgName; }
    QString destPath() const { return m_destPath; }
    QString category() const { return m_category; }

private:
    void copyYSDPic();
    void copyPic();
    void savePic();
    void createPro();
    void saveHTML();
    void copyXZZPJF_YSD();
    void copyXZZPJF_YP();

    void copyPicBlock(bool ok, QString third, QString message);
    void copyThumbnail(QString *notes, bool *done);
    void copyRawFiles(bool toFirstDot, QString *notes);
    enum class Source { File, Missing, OffShare, Unreachable };
    // Whether path may be read: a file whose real place (links followed) lies
    // below the pinned share, which is still there and answers.
    Source source(const QString &path);
    // The job's failure text for a source that is not a readable file.
    QString refusal(Source state, const QString &missing) const;
    bool copied(FJJobFile::CopyResult result);
    // The run's first write into the folder of path clears what killed copies left there.
    void sweepBeforeWriting(const QString &path);

    QPointer<QWidget> m_receiver;
    QString m_jobType;
    QString m_srcPath;
    QString m_imgName;
    QString m_destPath;
    QString m_category;
    QJsonObject m_goodsObj;
    QJsonObject m_orderObj;
    QJsonObject m_imageRecord;
    QString m_imageData;
    // A read failed with an I/O error: the share's server is gone.
    bool m_unreachable = false;
};
