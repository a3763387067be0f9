#pragma once

#include <QCheckBox>
#include <QHash>
#include <QPixmap>
#include <QStringList>

// A check box whose box and tick are the program's grey artwork, loaded from
// the Artwork registry when it is built (setArtwork() hands in other
// artwork under a name). Any state but unchecked shows a tick; the partial
// state shows the mixed tick; a disabled box uses the "_in" artwork.
class CheckBoxCellGray : public QCheckBox
{
    Q_OBJECT
public:
    explicit CheckBoxCellGray(QWidget* parent = nullptr);
    explicit CheckBoxCellGray(const QString& title, QWidget* parent = nullptr);

    static QStringList artworkNames();
    void setArtwork(const QString& name, const QPixmap& image);

    // The artwork drawn for a state: the box, then the tick if any.
    static QStringList imageNamesFor(bool enabled, Qt::CheckState state);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    void loadArtwork();

    QHash<QString, QPixmap> artwork_;
};
