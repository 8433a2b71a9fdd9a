#include "tools/cabinet_ir/response_plot.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "tools/cabinet_ir/cabinets.h"
#include "tools/cabinet_ir/response_peak.h"

namespace cabinet_ir {

namespace {

constexpr int kWidth = 1200, kHeight = 720;
constexpr double kLeft = 80, kRight = 30, kTop = 50, kBottom = 60;
constexpr double kMinHz = 20.0, kMaxHz = 20000.0;
constexpr double kMinDb = -50.0, kMaxDb = 5.0;

double xOf(double hz)
{
    const double u = std::log10(hz / kMinHz) / std::log10(kMaxHz / kMinHz);
    return kLeft + u * (kWidth - kLeft - kRight);
}

double yOf(double db)
{
    const double u = (db - kMinDb) / (kMaxDb - kMinDb);
    return kHeight - kBottom - u * (kHeight - kTop - kBottom);
}

void text(cairo_t* cr, double x, double y, const char* s, double alignX, double alignY)
{
    cairo_text_extents_t e;
    cairo_text_extents(cr, s, &e);
    cairo_move_to(cr, x - alignX * e.width - e.x_bearing, y - alignY * e.height - e.y_bearing);
    cairo_show_text(cr, s);
}

const char* hzLabel(double hz, char* buf, std::size_t n)
{
    if (hz >= 1000.0)
        std::snprintf(buf, n, "%gk", hz / 1000.0);
    else
        std::snprintf(buf, n, "%g", hz);
    return buf;
}

} // namespace

void plotResponses(const std::array<CabinetTables, 7>& fitted, const std::string& pngPath)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    char buf[32];

    // Grid: every 5 dB, and 1-2-...-9 per decade.
    cairo_set_line_width(cr, 1.0);
    for (double db = kMinDb; db <= kMaxDb + 1e-9; db += 5.0) {
        const bool major = std::fmod(db, 10.0) == 0.0;
        cairo_set_source_rgb(cr, major ? 0.75 : 0.88, major ? 0.75 : 0.88, major ? 0.75 : 0.88);
        cairo_move_to(cr, kLeft, yOf(db));
        cairo_line_to(cr, kWidth - kRight, yOf(db));
        cairo_stroke(cr);
    }
    for (double decade = 10.0; decade <= kMaxHz; decade *= 10.0) {
        for (int m = 1; m <= 9; ++m) {
            const double hz = decade * m;
            if (hz < kMinHz || hz > kMaxHz)
                continue;
            const bool major = m == 1 || m == 2 || m == 5;
            cairo_set_source_rgb(cr, major ? 0.75 : 0.88, major ? 0.75 : 0.88, major ? 0.75 : 0.88);
            cairo_move_to(cr, xOf(hz), kTop);
            cairo_line_to(cr, xOf(hz), kHeight - kBottom);
            cairo_stroke(cr);
        }
    }

    // Axes and labels.
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
    cairo_stroke(cr);
    cairo_set_font_size(cr, 14);
    for (double db = kMinDb; db <= kMaxDb + 1e-9; db += 10.0) {
        std::snprintf(buf, sizeof buf, "%g", db);
        text(cr, kLeft - 8, yOf(db), buf, 1.0, 0.5);
    }
    for (double hz : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0})
        text(cr, xOf(hz), kHeight - kBottom + 8, hzLabel(hz, buf, sizeof buf), 0.5, 0.0);
    text(cr, 0.5 * (kLeft + kWidth - kRight), kHeight - 18, "Frequency (Hz)", 0.5, 0.5);
    cairo_save(cr);
    cairo_translate(cr, 22, 0.5 * (kTop + kHeight - kBottom));
    cairo_rotate(cr, -M_PI / 2);
    text(cr, 0, 0, "Level (dB)", 0.5, 0.5);
    cairo_restore(cr);
    cairo_set_font_size(cr, 17);
    text(cr, 0.5 * (kLeft + kWidth - kRight), 25, "Korvane cabinets: magnitude responses of the 48 kHz tables", 0.5, 0.5);

    static const double colours[7][3] = {{0.85, 0.37, 0.01}, {0.90, 0.67, 0.0},  {0.0, 0.45, 0.70},
                                         {0.34, 0.71, 0.91}, {0.0, 0.62, 0.45}, {0.80, 0.47, 0.65},
                                         {0.2, 0.2, 0.2}};
    cairo_save(cr);
    cairo_rectangle(cr, kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom);
    cairo_clip(cr);
    cairo_set_line_width(cr, 1.8);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    constexpr int points = 1200;
    for (std::size_t c = 0; c < 7; ++c) {
        cairo_set_source_rgb(cr, colours[c][0], colours[c][1], colours[c][2]);
        for (int i = 0; i < points; ++i) {
            const double hz = kMinHz * std::pow(kMaxHz / kMinHz, static_cast<double>(i) / (points - 1));
            const double db = 10.0 * std::log10(norm2(responseAt(fitted[c].at48k, hz, 48000.0)));
            if (i == 0)
                cairo_move_to(cr, xOf(hz), yOf(db));
            else
                cairo_line_to(cr, xOf(hz), yOf(db));
        }
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    // Legend, bottom left, where every curve is low.
    cairo_set_font_size(cr, 14);
    const double lx = kLeft + 20, ly = yOf(-33), rowH = 20;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_rectangle(cr, lx - 8, ly - 14, 250, rowH * 7 + 10);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    for (std::size_t c = 0; c < 7; ++c) {
        const double y = ly + rowH * static_cast<double>(c);
        cairo_set_source_rgb(cr, colours[c][0], colours[c][1], colours[c][2]);
        cairo_set_line_width(cr, 3.0);
        cairo_move_to(cr, lx, y);
        cairo_line_to(cr, lx + 28, y);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        std::snprintf(buf, sizeof buf, "%d  ", cabinets()[c].number);
        std::string label = std::string(buf) + cabinets()[c].name;
        text(cr, lx + 36, y, label.c_str(), 0.0, 0.5);
    }

    cairo_destroy(cr);
    const cairo_status_t status = cairo_surface_write_to_png(surface, pngPath.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error("cannot write " + pngPath + ": " + cairo_status_to_string(status));
}

} // namespace cabinet_ir
