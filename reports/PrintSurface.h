#pragma once

#include <QString>

class QFont;
class QPaintDevice;

// The five properties of a printer font; the face is given by name.
struct PrintFont {
    QString name = QStringLiteral("Courier New");
    double size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;

    QFont toQFont() const;
    bool operator==(const PrintFont& o) const
    {
        return name == o.name && size == o.size && bold == o.bold && italic == o.italic &&
               underline == o.underline;
    }
};

// One line as it was printed: its text, font and top-left position in twips.
struct PrintedLine {
    QString text;
    PrintFont font;
    double x = 0;
    double y = 0;
};

// What the reports print on: the printer operations they use, with every position in twips
// from the top-left corner of the printable area. Text is measured on the surface's device.
class PrintSurface {
public:
    // A line that would reach below the printable area is printed at this y on a new page.
    static constexpr double kContinuationY = 720;

    virtual ~PrintSurface();

    const PrintFont& font() const { return m_font; }
    void setFontName(const QString& name) { m_font.name = name; }
    void setFontSize(double points) { m_font.size = points; }
    void setFontBold(bool on) { m_font.bold = on; }
    void setFontItalic(bool on) { m_font.italic = on; }
    void setFontUnderline(bool on) { m_font.underline = on; }

    double CurrentX() const { return m_x; }
    double CurrentY() const { return m_y; }
    void setCurrentX(double x) { m_x = x; }
    void setCurrentY(double y) { m_y = y; }

    virtual double ScaleWidth() const = 0;
    virtual double ScaleHeight() const = 0;
    double TextWidth(const QString& text) const;
    // Height of one line of the current font: the advance of Print.
    double LineHeight() const;

    // Draws the text with its top-left at the current position, then moves to the start of
    // the next line.
    void Print(const QString& text);
    // Starts a new page; the position goes back to its top-left corner.
    void NewPage();
    // Releases the document to the printer; throws std::runtime_error when it cannot.
    virtual void EndDoc() = 0;
    // Drops the job: nothing of it reaches the printer. Never throws.
    virtual void Abort() = 0;

protected:
    // The device whose resolution text is measured at.
    virtual QPaintDevice* device() const = 0;
    virtual void drawLine(const PrintedLine& line) = 0;
    virtual void pageBreak() = 0;

private:
    PrintFont m_font;
    double m_x = 0;
    double m_y = 0;
};
