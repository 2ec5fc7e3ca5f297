#include "split/ui/naming/DropZone.h"

#include "app/core/K.h"
#include "split/ui/naming/FieldButton.h"
#include "split/ui/naming/SeparatorButton.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QEasingCurve>
#include <QMimeData>
#include <QPainter>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QVBoxLayout>

namespace {

const QString kFieldFormat = QStringLiteral("application/x-field-item");
const QString kReorderFormat = QStringLiteral("application/x-field-reorder");

int startX() { return K::f(12); }
int startY() { return K::f(12); }
int gap() { return K::f(6); }
int rowHeight() { return K::f(32); }
int markerAdvance() { return K::f(4) + gap(); }
int rightReserve() { return K::f(20); }
int bottomReserve() { return K::f(12); }
int minimumZoneHeight() { return K::f(60); }

} // namespace

DropZone::DropZone(QWidget *parent)
    : QFrame(parent)
{
    setFrameStyle(0);
    setAcceptDrops(true);
    setMinimumHeight(minimumZoneHeight());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_container = new QWidget(this);
    m_container->setObjectName(QStringLiteral("DropZone_Container"));
    // By name only: a bare rule would cascade onto the chips and hide their own background.
    m_container->setStyleSheet(QStringLiteral("#DropZone_Container { background: transparent; }"));
    m_container->setAttribute(Qt::WA_TranslucentBackground);
    m_container->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    layout->addWidget(m_container);

    m_dropIndicator = new QWidget(m_container);
    m_dropIndicator->setObjectName(QStringLiteral("DropZone_Indicator"));
    m_dropIndicator->setFixedSize(K::f(4), K::f(28));
    m_dropIndicator->setStyleSheet(
        QStringLiteral("background-color: #007aff; border-radius: %1px;").arg(K::s(K::f(2))));
    m_dropIndicator->setAttribute(Qt::WA_StyledBackground);
    m_dropIndicator->hide();
}

void DropZone::addFieldItem(const QString &name, const QString &key, int index)
{
    insertItem(name, key, NamingRuleFormat::defaultSeparator(), index, false);
}

void DropZone::addDefaultFieldItem(const QString &name, const QString &key, const QString &separator, int index)
{
    insertItem(name, key, separator, index, true);
}

void DropZone::insertItem(const QString &name, const QString &key, const QString &separator, int index,
                          bool applySeparator)
{
    FieldItem item;
    item.fieldButton = new FieldButton(name, key, m_container);
    item.separatorButton = new SeparatorButton(m_container);
    item.separator = separator;
    // Shown on the chooser before it is wired, so loading announces the entry once.
    if (applySeparator)
        item.separatorButton->setSeparator(separator);
    connect(item.fieldButton, &FieldButton::deleteClicked, this, &DropZone::onFieldDeleteClicked);
    connect(item.fieldButton, &FieldButton::dragStarted, this, &DropZone::onFieldDragStarted);
    connect(item.separatorButton, &SeparatorButton::separatorChanged, this, &DropZone::onSeparatorChanged);
    item.fieldButton->show();
    item.separatorButton->show();

    if (index >= 0 && index < m_items.size())
        m_items.insert(index, item);
    else
        m_items.append(item);
    animateItemsToPosition();
    emit ruleChanged();
}

void DropZone::removeFieldItem(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    const FieldItem item = m_items.takeAt(index);
    if (item.fieldButton == m_draggedButton)
        m_draggedButton = nullptr;
    item.fieldButton->deleteLater();
    item.separatorButton->deleteLater();
    animateItemsToPosition();
    emit ruleChanged();
}

void DropZone::clear()
{
    for (const FieldItem &item : qAsConst(m_items)) {
        item.fieldButton->deleteLater();
        item.separatorButton->deleteLater();
    }
    m_items.clear();
    updateLayout();
    emit ruleChanged();
}

void DropZone::updateLayout()
{
    rebuildLayout(false);
}

void DropZone::animateItemsToPosition()
{
    rebuildLayout(true);
}

QVector<NamingRuleFormat::Entry> DropZone::entries() const
{
    QVector<NamingRuleFormat::Entry> result;
    result.reserve(m_items.size());
    for (const FieldItem &item : m_items)
        result.append({item.fieldButton->fieldName(), item.fieldButton->fieldKey(), item.separator});
    return result;
}

QStringList DropZone::getResult() const
{
    return NamingRuleFormat::toList(entries());
}

QString DropZone::getResultString() const
{
    return NamingRuleFormat::toText(entries());
}

QJsonArray DropZone::getResultJsons() const
{
    return NamingRuleFormat::toJson(entries());
}

int DropZone::indexOfButton(const FieldButton *button) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i).fieldButton == button)
            return i;
    }
    return -1;
}

bool DropZone::hasPlacedAfter(int index) const
{
    for (int j = index + 1; j < m_items.size(); ++j) {
        if (m_items.at(j).fieldButton != m_draggedButton)
            return true;
    }
    return false;
}

void DropZone::rebuildLayout(bool animate)
{
    int x = startX();
    int y = startY();
    QList<QPair<QWidget *, QPoint>> moves;
    const int n = m_items.size();

    auto placeIndicator = [&]() {
        m_dropIndicator->show();
        m_dropIndicator->raise();
        moves.append({m_dropIndicator, QPoint(x, y)});
    };

    for (int i = 0; i < n; ++i) {
        const FieldItem &item = m_items.at(i);
        if (i == m_dropIndex && m_dragOver) {
            placeIndicator();
            x += markerAdvance();
        }
        if (item.fieldButton == m_draggedButton)
            continue;

        item.fieldButton->adjustSize();
        moves.append({item.fieldButton, QPoint(x, y)});
        const int separatorX = x + item.fieldButton->width() + gap();

        int lookAhead = 0;
        if (i + 1 < n) {
            lookAhead = item.separatorButton->width() + gap();
            FieldButton *next = m_items.at(i + 1).fieldButton;
            if (next != m_draggedButton) {
                next->adjustSize();
                lookAhead += next->width();
            }
        }

        const bool placedAfter = hasPlacedAfter(i);
        if (placedAfter) {
            item.separatorButton->show();
            moves.append({item.separatorButton, QPoint(separatorX, y)});
            x = separatorX + item.separatorButton->width() + gap();
        } else {
            item.separatorButton->hide();
            x = separatorX;
        }

        if (placedAfter && x + lookAhead > width() - rightReserve()) {
            x = startX();
            y += rowHeight() + gap();
        }
    }
    if (m_dropIndex == n && m_dragOver)
        placeIndicator();

    if (!animate) {
        // A group still running would carry the widgets back to where an
        // earlier arrangement put them, as a rule loaded before the first
        // show would at its narrow width.
        for (auto *group : findChildren<QParallelAnimationGroup *>(QString(), Qt::FindDirectChildrenOnly))
            group->stop();
        for (const auto &move : qAsConst(moves))
            move.first->move(move.second);
    } else if (!moves.isEmpty()) {
        auto *group = new QParallelAnimationGroup(this);
        for (const auto &move : qAsConst(moves)) {
            auto *animation = new QPropertyAnimation(move.first, "pos", group);
            animation->setDuration(150);
            animation->setEasingCurve(QEasingCurve::OutCubic);
            animation->setStartValue(move.first->pos());
            animation->setEndValue(move.second);
            group->addAnimation(animation);
        }
        group->start(QAbstractAnimation::DeleteWhenStopped);
    }

    const int height = y + rowHeight() + bottomReserve();
    if (height > minimumZoneHeight())
        setMinimumHeight(height);
}

int DropZone::getDropIndex(const QPoint &position) const
{
    if (m_items.isEmpty())
        return 0;

    struct Span
    {
        QRect rect;
        int index;
    };
    QList<Span> spans;
    for (int i = 0; i < m_items.size(); ++i) {
        const FieldItem &item = m_items.at(i);
        if (item.fieldButton == m_draggedButton)
            continue;
        QRect rect = item.fieldButton->geometry();
        if (!item.separatorButton->isHidden() && hasPlacedAfter(i))
            rect.setRight(item.separatorButton->geometry().right());
        spans.append({rect, i});
    }
    if (spans.isEmpty())
        return 0;

    const int halfGap = gap() / 2;
    const Span *rowSpan = nullptr;
    for (const Span &span : qAsConst(spans)) {
        if (span.rect.top() - halfGap <= position.y() && position.y() <= span.rect.bottom() + halfGap) {
            rowSpan = &span;
            break;
        }
    }
    if (rowSpan && rowSpan->rect.top() >= 0) {
        const int rowTop = rowSpan->rect.top();
        int lastIndex = -1;
        for (const Span &span : qAsConst(spans)) {
            if (qAbs(span.rect.top() - rowTop) >= gap())
                continue;
            if (position.x() < span.rect.left() + span.rect.width() / 2)
                return span.index;
            lastIndex = span.index;
        }
        return lastIndex + 1;
    }
    if (position.y() < spans.first().rect.top())
        return spans.first().index;
    return m_items.size();
}

void DropZone::onFieldDeleteClicked()
{
    const int index = indexOfButton(qobject_cast<FieldButton *>(sender()));
    if (index >= 0)
        removeFieldItem(index);
}

void DropZone::onSeparatorChanged(const QString &separator)
{
    const auto *chooser = qobject_cast<SeparatorButton *>(sender());
    for (FieldItem &item : m_items) {
        if (chooser && item.separatorButton == chooser) {
            item.separator = separator;
            emit ruleChanged();
            return;
        }
    }
}

void DropZone::onFieldDragStarted(FieldButton *button)
{
    m_draggedButton = button;
    button->setDragging(true);
    animateItemsToPosition();

    auto *drag = new QDrag(this);
    auto *mime = new QMimeData;
    mime->setData(kReorderFormat, button->fieldName().toUtf8());
    drag->setMimeData(mime);
    const QPixmap pixmap = reorderPixmap(button);
    drag->setPixmap(pixmap);
    drag->setHotSpot(QPoint(pixmap.width() / 2, pixmap.height() / 2));
    execDrag(drag);
    drag->deleteLater();

    // Dropped outside the zone or cancelled: the chip returns to its place.
    if (m_draggedButton) {
        m_draggedButton->setDragging(false);
        m_draggedButton = nullptr;
    }
    m_dropIndex = -1;
    m_dropIndicator->hide();
    animateItemsToPosition();
}

Qt::DropAction DropZone::execDrag(QDrag *drag)
{
    return drag->exec(Qt::MoveAction);
}

QPixmap DropZone::reorderPixmap(const FieldButton *button) const
{
    QPixmap pixmap(button->size());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(QStringLiteral("#007aff")), K::f(1), Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    painter.setPen(pen);
    painter.setBrush(QColor(QStringLiteral("#e8f4fd")));
    const int inset = K::f(1);
    painter.drawRoundedRect(QRect(inset, inset, pixmap.width() - 2 * inset, pixmap.height() - 2 * inset), K::f(6),
                            K::f(6));
    QFont font;
    font.setPixelSize(K::f(11));
    font.setWeight(QFont::Medium);
    painter.setFont(font);
    painter.setPen(QColor(QStringLiteral("#1d1d1f")));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, button->fieldName());
    return pixmap;
}

void DropZone::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(m_dragOver ? QStringLiteral("#f0f8ff") : QStringLiteral("#fafafa")));
    painter.drawRoundedRect(QRect(K::f(2), K::f(2), width() - K::f(4), height() - K::f(4)), K::f(10), K::f(10));

    QPen border(QColor(m_dragOver ? QStringLiteral("#007aff") : QStringLiteral("#aaaaaa")));
    border.setWidth(K::f(2));
    border.setDashPattern({5, 3});
    border.setCapStyle(Qt::RoundCap);
    painter.setPen(border);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRect(K::f(3), K::f(3), width() - K::f(6), height() - K::f(6)), K::f(10), K::f(10));

    if (m_items.isEmpty()) {
        QFont font = painter.font();
        font.setPixelSize(K::f(12));
        painter.setFont(font);
        painter.setPen(QColor(QStringLiteral("#8e8e93")));
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("拖拽字段到此处"));
    }
}

void DropZone::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    m_container->setGeometry(rect());
    updateLayout();
}

void DropZone::dragEnterEvent(QDragEnterEvent *event)
{
    const QMimeData *mime = event->mimeData();
    if (!mime->hasFormat(kFieldFormat) && !mime->hasFormat(kReorderFormat))
        return;
    event->acceptProposedAction();
    m_dragOver = true;
    m_dropIndex = -1;
    update();
}

void DropZone::dragMoveEvent(QDragMoveEvent *event)
{
    const QMimeData *mime = event->mimeData();
    const bool reorder = mime->hasFormat(kReorderFormat);
    if (!mime->hasFormat(kFieldFormat) && !reorder) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    int index = getDropIndex(event->pos());
    if (reorder && m_draggedButton) {
        // Over the chip's own gap the move would change nothing.
        const int from = indexOfButton(m_draggedButton);
        if (index == from || index == from + 1)
            index = -1;
    }
    if (index != m_dropIndex) {
        m_dropIndex = index;
        animateItemsToPosition();
    }
}

void DropZone::dragLeaveEvent(QDragLeaveEvent *event)
{
    Q_UNUSED(event)
    m_dragOver = false;
    m_dropIndex = -1;
    m_dropIndicator->hide();
    animateItemsToPosition();
    update();
}

void DropZone::dropEvent(QDropEvent *event)
{
    m_dragOver = false;
    m_dropIndicator->hide();
    int index = m_dropIndex;
    m_dropIndex = -1;

    const QMimeData *mime = event->mimeData();
    if (mime->hasFormat(kFieldFormat)) {
        const QStringList parts = QString::fromUtf8(mime->data(kFieldFormat)).split(QLatin1Char('|'));
        if (parts.size() >= 2) {
            if (index < 0)
                index = getDropIndex(event->pos());
            addFieldItem(parts.at(0), parts.at(1), index);
        }
        event->acceptProposedAction();
    } else if (mime->hasFormat(kReorderFormat)) {
        if (m_draggedButton && index >= 0) {
            const int from = indexOfButton(m_draggedButton);
            if (from >= 0 && index != from) {
                const int to = index > from ? index - 1 : index;
                if (to != from) {
                    m_items.move(from, to);
                    emit ruleChanged();
                }
            }
        }
        if (m_draggedButton) {
            m_draggedButton->setDragging(false);
            m_draggedButton = nullptr;
        }
        animateItemsToPosition();
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
    update();
}
