#include "ui/record_writer.h"

#include "codec/hextext.h"
#include "codec/tr.h"
#include "ui/profile_view.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <cmath>
#include <functional>

namespace stepbench {
namespace {

constexpr int kDpi = 300;
constexpr double kMarginMm = 15;
constexpr double kPlotHeightMm = 62;
constexpr double kCellPadMm = 1.2;
// The faces of the record: a Latin face first, so that digits are read back as digits from
// the file, and the CJK face for the Chinese texts.
const QStringList kFamilies{"DejaVu Sans", "Noto Sans CJK SC", "Noto Sans"};
const QString kUnknown = "—";

double Mm(double mm) {
    return mm * kDpi / 25.4;
}

QFont Face(double points, bool bold = false) {
    QFont f;
    f.setFamilies(kFamilies);
    f.setPointSizeF(points);
    f.setBold(bold);
    // No ligatures: text copied out of the file reads as it was written ("ff", not "ﬀ").
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

QString Address(std::uint8_t a) {
    return QString::fromStdString(HexByte(a));
}

QString Ms(const std::optional<double>& v) {
    return v ? QString::number(*v, 'f', 1) : kUnknown;
}

QString Fixed(const std::optional<double>& v, int decimals) {
    return v ? QString::number(*v, 'f', decimals) : kUnknown;
}

// "2026-12-07 14:05:09 UTC+08:00"
QString WithOffset(const QDateTime& t) {
    const int offset = t.offsetFromUtc();
    return t.toString("yyyy-MM-dd HH:mm:ss") +
           QString(" UTC%1%2:%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(std::abs(offset) / 3600, 2, 10, QChar('0'))
               .arg(std::abs(offset) % 3600 / 60, 2, 10, QChar('0'));
}

// A step of 1, 2 or 5 times a power of ten, about span / 4.
double NiceStep(double span) {
    const double raw = span / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

// A piece of the record as it goes on a page: its height, and how it paints in its place.
struct Block {
    double height = 0;
    std::function<void(QPainter&, const QRectF&)> paint;
    bool newPage = false;      // starts a page
    int table = -1;            // a row of this table: its header goes again atop a new page
    bool keepWithNext = false; // a heading: on the page of what follows it
};

struct Column {
    QString header;
    double weight = 1;
    Qt::Alignment align = Qt::AlignLeft;
};

// The record laid out in blocks, then on pages.
class Document {
public:
    explicit Document(QPdfWriter& writer) : writer_(writer) {
        const QRectF page = writer.pageLayout().paintRectPixels(kDpi);
        width_ = page.width();
        height_ = page.height();
    }

    double width() const { return width_; }

    void add(Block b) { blocks_.push_back(std::move(b)); }

    void text(const QString& text, const QFont& font, double spaceBefore = 0,
              QColor colour = Qt::black) {
        const QFontMetricsF m(font, &writer_);
        const QRectF bounds = m.boundingRect(QRectF(0, 0, width_, 1e6), Qt::TextWordWrap, text);
        add({.height = bounds.height() + spaceBefore, .paint = [=](QPainter& p, const QRectF& r) {
                 p.setFont(font);
                 p.setPen(colour);
                 p.drawText(r.adjusted(0, spaceBefore, 0, 0), Qt::TextWordWrap, text);
             }});
    }

    // A heading: never the last thing on a page.
    void heading(const QString& text, const QFont& font, double spaceBefore = 0) {
        this->text(text, font, spaceBefore);
        blocks_.back().keepWithNext = true;
    }

    void table(const std::vector<Column>& columns, const std::vector<QStringList>& rows,
               const std::vector<bool>& marked = {}) {
        const int id = tables_++;
        double total = 0;
        for (const Column& c : columns)
            total += c.weight;
        std::vector<double> widths;
        for (const Column& c : columns)
            widths.push_back(width_ * c.weight / total);
        QStringList headers;
        for (const Column& c : columns)
            headers << c.header;
        Block header = row(columns, widths, headers, true, false);
        header.keepWithNext = true;
        headers_[id] = header;
        add(header);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            Block b = row(columns, widths, rows[i], false, i < marked.size() && marked[i]);
            b.table = id;
            add(std::move(b));
        }
        add({.height = Mm(3), .paint = [](QPainter&, const QRectF&) {}});
    }

    // Lays the blocks out on pages; the number of pages.
    int paginate() {
        pages_.clear();
        pages_.emplace_back();
        double y = 0;
        for (std::size_t i = 0; i < blocks_.size(); ++i) {
            const Block& b = blocks_[i];
            double needed = b.height;
            for (std::size_t j = i; j + 1 < blocks_.size() && blocks_[j].keepWithNext; ++j)
                needed += blocks_[j + 1].height;
            const bool fits = y + needed <= height_ - footer();
            if ((b.newPage || !fits) && !pages_.back().empty()) {
                pages_.emplace_back();
                y = 0;
                if (b.table >= 0) {
                    pages_.back().push_back({&headers_[b.table], y});
                    y += headers_[b.table].height;
                }
            }
            pages_.back().push_back({&b, y});
            y += b.height;
        }
        return int(pages_.size());
    }

    void paint(QPainter& p, const QString& title) {
        const QRectF page = writer_.pageLayout().paintRectPixels(kDpi);
        const QFont small = Face(8);
        for (std::size_t i = 0; i < pages_.size(); ++i) {
            if (i > 0) writer_.newPage();
            for (const auto& [block, y] : pages_[i])
                block->paint(p, QRectF(0, y, width_, block->height));
            p.setFont(small);
            p.setPen(Qt::darkGray);
            const QRectF foot(0, page.height() - footer() * 0.6, width_, footer() * 0.6);
            p.drawText(foot, Qt::AlignLeft | Qt::AlignBottom, title);
            p.drawText(foot, Qt::AlignRight | Qt::AlignBottom,
                       Tr("第 %1 页，共 %2 页").arg(i + 1).arg(pages_.size()));
        }
    }

    // Blocks added from now on start a new page.
    void startPage() {
        Block b{.height = 0, .paint = [](QPainter&, const QRectF&) {}, .newPage = true};
        add(std::move(b));
    }

private:
    double footer() const { return Mm(10); }

    Block row(const std::vector<Column>& columns, const std::vector<double>& widths,
              const QStringList& cells, bool header, bool marked) const {
        const QFont font = Face(9, header);
        const QFontMetricsF m(font, &writer_);
        const double pad = Mm(kCellPadMm);
        double h = 0;
        for (int c = 0; c < cells.size() && c < int(widths.size()); ++c)
            h = std::max(h, m.boundingRect(QRectF(0, 0, widths[std::size_t(c)] - 2 * pad, 1e6),
                                           Qt::TextWordWrap, cells[c])
                                .height());
        h += 2 * pad;
        return {.height = h, .paint = [=](QPainter& p, const QRectF& r) {
                    if (header || marked)
                        p.fillRect(r, header ? QColor(230, 233, 238) : QColor(253, 226, 226));
                    p.setFont(font);
                    double x = r.left();
                    for (int c = 0; c < cells.size() && c < int(widths.size()); ++c) {
                        const double w = widths[std::size_t(c)];
                        p.setPen(marked ? QColor(160, 0, 0) : Qt::black);
                        p.drawText(
                            QRectF(x + pad, r.top() + pad, w - 2 * pad, r.height() - 2 * pad),
                            int(columns[std::size_t(c)].align) | Qt::TextWordWrap, cells[c]);
                        x += w;
                    }
                    p.setPen(QPen(QColor(190, 190, 190), 2));
                    p.drawLine(r.bottomLeft(), r.bottomRight());
                }};
    }

    QPdfWriter& writer_;
    double width_ = 0, height_ = 0;
    std::vector<Block> blocks_;
    std::map<int, Block> headers_;
    int tables_ = 0;
    std::vector<std::vector<std::pair<const Block*, double>>> pages_;
};

// One plot of a move: the drive's line solid, the plan's dashed, on axes of its own.
void PaintPlot(QPainter& p, const QRectF& r, const QString& title,
               const std::vector<QPointF>& measured, const std::vector<QPointF>& planned,
               QColor colour) {
    const QFont font = Face(7);
    const QFontMetricsF m(font, p.device());
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop, title);
    const QRectF area =
        r.adjusted(m.horizontalAdvance("-0000000"), m.height() * 1.5, -Mm(2), -m.height() * 2.2);
    double x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    bool first = true;
    for (const auto* line : {&measured, &planned})
        for (const QPointF& q : *line) {
            x0 = first ? q.x() : std::min(x0, q.x());
            x1 = first ? q.x() : std::max(x1, q.x());
            y0 = first ? q.y() : std::min(y0, q.y());
            y1 = first ? q.y() : std::max(y1, q.y());
            first = false;
        }
    if (x1 - x0 < 1e-9) x1 = x0 + 1;
    if (y1 - y0 < 1e-9) y0 -= 1, y1 += 1;
    const double pad = (y1 - y0) * 0.05;
    y0 -= pad, y1 += pad;
    const auto at = [&](const QPointF& q) {
        return QPointF(area.left() + (q.x() - x0) / (x1 - x0) * area.width(),
                       area.bottom() - (q.y() - y0) / (y1 - y0) * area.height());
    };
    p.setPen(QPen(QColor(225, 225, 225), 2));
    const double xs = NiceStep(x1 - x0), ys = NiceStep(y1 - y0);
    for (double x = std::ceil(x0 / xs) * xs; x <= x1; x += xs) {
        p.setPen(QPen(QColor(225, 225, 225), 2));
        p.drawLine(at({x, y0}), at({x, y1}));
        p.setPen(Qt::darkGray);
        p.drawText(QRectF(at({x, y0}).x() - Mm(8), area.bottom() + Mm(0.5), Mm(16), m.height()),
                   Qt::AlignHCenter | Qt::AlignTop, QString::number(x, 'g', 4));
    }
    for (double y = std::ceil(y0 / ys) * ys; y <= y1; y += ys) {
        p.setPen(QPen(QColor(225, 225, 225), 2));
        p.drawLine(at({x0, y}), at({x1, y}));
        p.setPen(Qt::darkGray);
        p.drawText(QRectF(r.left(), at({x0, y}).y() - m.height() / 2,
                          area.left() - r.left() - Mm(1), m.height()),
                   Qt::AlignRight | Qt::AlignVCenter, QString::number(y, 'g', 7));
    }
    p.setPen(Qt::darkGray);
    p.drawText(QRectF(area.left(), area.bottom() + m.height(), area.width(), m.height() * 1.2),
               Qt::AlignHCenter | Qt::AlignBottom, Tr("时间（s，从命令到达起）"));
    p.setPen(QPen(Qt::black, 2));
    p.drawRect(area);
    const auto polyline = [&](const std::vector<QPointF>& line) {
        QPainterPath path;
        for (std::size_t i = 0; i < line.size(); ++i)
            i == 0 ? path.moveTo(at(line[i])) : path.lineTo(at(line[i]));
        p.drawPath(path);
    };
    p.save();
    p.setClipRect(area);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 110, 110), 4, Qt::DashLine));
    polyline(planned);
    p.setPen(QPen(colour, 5));
    polyline(measured);
    p.restore();
    if (measured.empty()) {
        p.setPen(Qt::darkGray);
        p.drawText(area, Qt::AlignCenter, Tr("没有采样"));
    }
    // The legend, on the title's line at the right.
    const QString measuredName = Tr("测量"), plannedName = Tr("计划");
    const double ly = r.top() + m.height() / 2;
    double lx = area.right() - m.horizontalAdvance(plannedName) - Mm(7);
    p.setPen(QPen(QColor(110, 110, 110), 4, Qt::DashLine));
    p.drawLine(QPointF(lx, ly), QPointF(lx + Mm(5), ly));
    p.setPen(Qt::black);
    p.drawText(QPointF(lx + Mm(6), ly + m.ascent() / 3), plannedName);
    lx -= m.horizontalAdvance(measuredName) + Mm(10);
    p.setPen(QPen(colour, 5));
    p.drawLine(QPointF(lx, ly), QPointF(lx + Mm(5), ly));
    p.setPen(Qt::black);
    p.drawText(QPointF(lx + Mm(6), ly + m.ascent() / 3), measuredName);
}

QColor DriveColour(std::uint8_t address) {
    static const QColor kColours[] = {QColor(31, 119, 180), QColor(214, 39, 40),
                                      QColor(44, 160, 44), QColor(148, 103, 189)};
    return kColours[(address + 3) % 4];
}

void FirstPage(Document& d, const CommissioningRecord& r) {
    const auto& h = r.header;
    d.text(h.title.isEmpty() ? Tr("调试报告") : h.title, Face(18, true));
    d.text(Tr("由 %1 记录的测量结果").arg(h.program), Face(9), Mm(1), Qt::darkGray);
    const auto orUnknown = [](const QString& s) { return s.isEmpty() ? Tr("未填写") : s; };
    QString framing = h.framing == LinkMode::Rtu ? "Modbus RTU" : "Modbus ASCII";
    const std::vector<QStringList> setUp{
        {Tr("机器/订单"), orUnknown(h.machine)},
        {Tr("调试人员"), orUnknown(h.engineer)},
        {Tr("时间"), WithOffset(h.madeAt)},
        {Tr("程序"), h.program},
        {Tr("串口"), h.port.isEmpty() ? Tr("未打开") : h.port},
        {Tr("波特率"), h.baud ? QString::number(h.baud) : Tr("由设备服务器设定")},
        {Tr("通讯模式"), framing},
        {Tr("PLC标准协议"), h.plc ? Tr("开（寄存器映射地址 %1）").arg(h.mapping) : Tr("关")},
    };
    d.text(QString(), Face(6));
    d.table({{Tr("项目"), 1}, {Tr("内容"), 3}}, setUp);
    d.heading(Tr("通讯"), Face(13, true), Mm(3));
    if (r.traffic.empty()) return d.text(Tr("没有通讯记录。"), Face(10));
    std::vector<QStringList> rows;
    bool recent = false;
    for (const auto& t : r.traffic) {
        rows.push_back({t.address ? Address(t.address) : Address(0) + " " + Tr("（广播）"),
                        QString::number(t.transactions), QString::number(t.failed), Ms(t.medianMs),
                        Ms(t.p99Ms)});
        recent = recent || t.ofRecent;
    }
    const auto right = Qt::AlignRight;
    d.table({{Tr("地址"), 1},
             {Tr("通讯次数"), 1, right},
             {Tr("失败"), 1, right},
             {Tr("往返中位数 (ms)"), 1.4, right},
             {Tr("往返 99% (ms)"), 1.4, right}},
            rows);
    d.text(Tr("失败：无应答、校验错误、异常应答和应答不符。往返时间从命令离开线路到应答结束；"
              "“—”表示没有测到。") +
               (recent ? Tr("通讯很多的地址，百分位数按最近的 10000 次往返算。") : QString()),
           Face(8), 0, Qt::darkGray);
}

void DrivePages(Document& d, const CommissioningRecord& r, std::uint8_t address) {
    d.startPage();
    d.heading(Tr("驱动器 %1").arg(Address(address)), Face(15, true));
    if (r.withProfiles) {
        d.heading(Tr("配置"), Face(12, true), Mm(3));
        const auto it = r.profiles.find(address);
        if (it == r.profiles.end() || it->second.said == 0) {
            d.text(Tr("未读取：这台驱动器没有报过它的设置。"), Face(10));
        } else {
            const auto& p = it->second;
            int differing = 0;
            for (const auto& s : p.settings)
                differing += s.differs();
            QString said = p.complete ? Tr("驱动器报过它的全部设置。")
                                      : TrN("驱动器只报过 %n 项设置，其余未读取。", p.said);
            said += " " +
                    (p.comparedWith.isEmpty()
                         ? Tr("没有与配置文件比较过。")
                         : Tr("与 %1 比较：%2")
                               .arg(p.comparedWith, differing ? TrN("%n 项不同（标红）", differing)
                                                              : Tr("读到的设置都相同")));
            d.heading(said, Face(9));
            std::vector<QStringList> rows;
            std::vector<bool> marked;
            const auto text = [](const std::optional<std::string>& v, const QString& none) {
                if (!v) return none;
                return v->empty() ? Tr("(无)") : QString::fromStdString(*v);
            };
            for (const auto& s : p.settings) {
                // Of a drive that said only some settings, those it said.
                if (!p.complete && !s.drive) continue;
                const ProfileSetting* setting = FindProfileSetting(s.name);
                const QString unread =
                    setting && !setting->read ? Tr("只能写入，读不到") : Tr("未读取");
                rows.push_back({setting ? SettingTitle(*setting) : QString::fromStdString(s.name),
                                text(s.drive, unread),
                                p.comparedWith.isEmpty() ? QString() : text(s.file, kUnknown),
                                s.differs() ? Tr("不同") : QString()});
                marked.push_back(s.differs());
            }
            if (p.comparedWith.isEmpty()) {
                for (QStringList& row : rows)
                    row = row.mid(0, 2);
                d.table({{Tr("配置项"), 3.2}, {Tr("驱动器上"), 4.3}}, rows, marked);
            } else {
                d.table({{Tr("配置项"), 3.2},
                         {Tr("驱动器上"), 1.8},
                         {Tr("文件中"), 1.8},
                         {QString(), 0.7}},
                        rows, marked);
            }
        }
    }
    if (r.withMoves) {
        d.heading(Tr("运动记录"), Face(12, true), Mm(3));
        int n = 0;
        for (const auto& m : r.moves) {
            if (m.address != address) continue;
            ++n;
            d.heading(Tr("第 %1 次运动：命令在采样时间 %2 s 到达").arg(n).arg(m.start, 0, 'f', 3),
                      Face(10, true), Mm(2));
            const QColor colour = DriveColour(address);
            const double half = d.width() / 2;
            d.add({.height = Mm(kPlotHeightMm),
                   .paint =
                       [m, colour, half](QPainter& p, const QRectF& box) {
                           PaintPlot(p, QRectF(box.left(), box.top(), half - Mm(2), box.height()),
                                     Tr("位置（步）"), m.position, m.plannedPosition, colour);
                           PaintPlot(p,
                                     QRectF(box.left() + half + Mm(2), box.top(), half - Mm(2),
                                            box.height()),
                                     Tr("速度（步/s）"), m.speed, m.plannedSpeed, colour);
                       },
                   .keepWithNext = true});
            const Deviation& v = m.deviation;
            const auto right = Qt::AlignRight;
            d.table(
                {{Tr("计划用时 (s)"), 1, right},
                 {Tr("到达用时 (s)"), 1, right},
                 {Tr("最大位置偏差 (步)"), 1.2, right},
                 {Tr("最大速度偏差 (步/s)"), 1.2, right},
                 {Tr("采样数"), 0.8, right}},
                {{Fixed(v.plannedArrival, 3), Fixed(v.arrival, 3),
                  v.samples ? Fixed(v.maxPosition, 1) : kUnknown,
                  v.speedSamples ? Fixed(v.maxSpeed, 1) : kUnknown, QString::number(v.samples)}});
        }
        if (n == 0) d.text(Tr("没有记录这台驱动器的运动。"), Face(10));
    }
    if (r.withChecks) {
        d.heading(Tr("脚本检查"), Face(12, true), Mm(3));
        std::vector<QStringList> rows;
        std::vector<bool> marked;
        for (const CheckTally& c : r.checks) {
            if (c.address != address) continue;
            rows.push_back({QString::number(c.line + 1), c.expectation, QString::number(c.passed),
                            QString::number(c.failed), c.failed ? c.lastWhy : Tr("通过")});
            marked.push_back(c.failed > 0);
        }
        if (rows.empty()) {
            d.text(Tr("上一次脚本运行没有检查这台驱动器。"), Face(10));
        } else {
            const auto right = Qt::AlignRight;
            d.table({{Tr("行"), 0.4, right},
                     {Tr("检查"), 1.9},
                     {Tr("通过次数"), 0.8, right},
                     {Tr("未通过次数"), 0.9, right},
                     {Tr("结果（未通过时为最后一次的原因）"), 2.9}},
                    rows, marked);
        }
    }
}

void LastPage(Document& d, const CommissioningRecord& r, const std::vector<std::uint8_t>& drives) {
    d.startPage();
    d.text(Tr("没有记录的内容"), Face(15, true));
    QStringList missing;
    for (std::uint8_t a : drives) {
        const auto it = r.profiles.find(a);
        if (r.withProfiles && (it == r.profiles.end() || it->second.said == 0))
            missing << Tr("驱动器 %1：没有读取配置").arg(Address(a));
        else if (r.withProfiles && !it->second.complete)
            missing << TrN("驱动器 %1：没有读取全部配置（只报过 %n 项）", it->second.said)
                           .arg(Address(a));
        int n = 0;
        for (const auto& m : r.moves)
            if (m.address == a && ++n && m.position.empty())
                missing << Tr("驱动器 %1 第 %2 次运动：没有采样").arg(Address(a)).arg(n);
    }
    if (r.withMoves && r.moves.empty()) missing << Tr("没有记录运动（运动曲线没有采样）");
    if (r.withChecks && r.checks.empty()) missing << Tr("没有脚本检查的结果");
    if (!r.withProfiles) missing << Tr("驱动器配置：没有选入这份报告");
    if (!r.withMoves) missing << Tr("运动：没有选入这份报告");
    if (!r.withChecks) missing << Tr("脚本检查：没有选入这份报告");
    if (missing.isEmpty()) missing << Tr("无");
    for (const QString& m : missing)
        d.text("• " + m, Face(10), Mm(1));
    d.heading(Tr("通讯记录文件"), Face(12, true), Mm(5));
    d.text(r.header.logFile.isEmpty() ? Tr("没有保存通讯记录文件。")
                                      : Tr("每条通讯都记在 %1 中。").arg(r.header.logFile),
           Face(10));
}

} // namespace

QString WriteRecordPdf(const CommissioningRecord& record, const QString& path, int* pages) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return Tr("无法写入 %1：%2").arg(path, file.errorString());
    const QString title = record.header.title.isEmpty() ? Tr("调试报告") : record.header.title;
    int count = 0;
    {
        QPdfWriter writer(&file);
        writer.setResolution(kDpi);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                              QPageLayout::Millimeter);
        writer.setTitle(title);
        writer.setCreator(record.header.program);
        Document d(writer);
        FirstPage(d, record);
        const std::vector<std::uint8_t> drives = record.drives();
        for (std::uint8_t a : drives)
            DrivePages(d, record, a);
        LastPage(d, record, drives);
        count = d.paginate();
        QPainter painter;
        if (!painter.begin(&writer)) {
            file.cancelWriting();
            return Tr("无法写入 %1：PDF 无法生成").arg(path);
        }
        d.paint(painter, title);
        painter.end();
    }
    if (!file.commit()) return Tr("无法写入 %1：%2").arg(path, file.errorString());
    if (pages) *pages = count;
    return {};
}

} // namespace stepbench
