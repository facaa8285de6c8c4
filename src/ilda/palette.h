#pragma once

#include <QAbstractListModel>
#include <QColor>
#include <QVector>

// Every colour table of the program in one list: the named tables at fixed
// offsets, palettes read from files appended from entry 918 on.
class Palette : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Table { DefaultTable = 0, IldaTTL = 65, X29 = 129, IildStd = 150, Dxf = 406, LbHues = 662 };
    static constexpr int filePaletteBase = 918;

    explicit Palette(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    int size() const { return m_colors.size(); }
    // Entry n, or opaque black when n lies outside the list.
    QRgb rgbAt(int n) const { return (n >= 0 && n < m_rgb.size()) ? m_rgb[n] : qRgb(0, 0, 0); }
    QColor colorAt(int n) const { return QColor(rgbAt(n)); }
    void append(const QColor &c);
    // The colours of palette sections a read found (IldReadResult::palette).
    void appendColors(const QVector<QRgb> &colors);
    // Drops file palettes again (tests and tools start from a clean list).
    void resetFilePalettes();

private:
    QVector<QColor> m_colors;
    QVector<QRgb> m_rgb; // same entries, for the hot paths
};
