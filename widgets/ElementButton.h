#pragma once

#include <QPushButton>

// Flat push button with a small fixed palette; every setting is turned into
// one style sheet and a minimum size.
class ElementButton : public QPushButton
{
    Q_OBJECT

public:
    enum ButtonType : qint32 {
        Default = 0, // white body, grey text
        Primary = 1, // blue
        Success = 2, // green
        Warning = 3, // orange
        Danger = 4,  // red
        Info = 5     // grey
    };
    enum ButtonSize : qint32 {
        Small = 0,
        Normal = 1,
        Large = 2
    };

    explicit ElementButton(QWidget *parent = nullptr);
    explicit ElementButton(const QString &text, QWidget *parent = nullptr);
    ElementButton(const QString &text, ButtonType type, QWidget *parent = nullptr);

    void init();

    void setButtonType(ButtonType type);
    void setButtonSize(ButtonSize size);
    void setPlain(bool plain);
    void setRound(bool round);
    void setCircle(bool circle);
    void setTextStyle(bool textStyle);
    void setButtonDisabled(bool disabled);

    ButtonType buttonType() const { return m_type; }
    ButtonSize buttonSize() const { return m_size; }

    void updateStyle();
    QString getStyleSheet() const;
    QSize getSizeHint() const;

protected:
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Corner radius in pixels for the given height: style sheets ignore
    // percentages and radii over half the height.
    int cornerRadius(int height) const;

    ButtonType m_type = Primary;
    ButtonSize m_size = Normal;
    bool m_plain = false;
    bool m_round = false;
    bool m_circle = false;
    bool m_textStyle = false;
    bool m_disabled = false;
    int m_styledHeight = -1; // height the style sheet's radius was made for
};
