#pragma once
// A painter that records what the canvas draws, for checking geometry without a display.
#include <string>
#include <vector>

#include "chart/GraphPainter.h"

struct RecordedText {
    qda::GraphRect box;
    std::string text;
    unsigned flags;
    COLORREF colour;
    bool opaque;
};

struct RecordedPolyline {
    std::vector<qda::GraphPoint> points;
    COLORREF colour;
    int width;
    qda::GraphRect clip;
};

class RecordingPainter : public qda::GraphPainter {
public:
    bool Resize(int w, int h) override {
        width = w;
        height = h;
        return w > 0 && h > 0;
    }
    bool SetFonts(const qda::GraphFont& l, const qda::GraphFont& a) override {
        label = l;
        axis = a;
        return true;
    }
    void FillRect(const qda::GraphRect& r, COLORREF c) override {
        if (r.left == 0 && r.top == 0 && r.right == width && r.bottom == height) Clear();  // a new frame
        fills.push_back({r, c});
    }
    void SetPen(COLORREF c, int w) override {
        penColour = c;
        penWidth = w;
    }
    void Line(int x1, int y1, int x2, int y2) override { lines.push_back({x1, y1, x2, y2, penColour}); }
    bool Polyline(const qda::GraphPoint* p, int n) override {
        polylines.push_back({std::vector<qda::GraphPoint>(p, p + n), penColour, penWidth, clip});
        return true;
    }
    void FrameRect(const qda::GraphRect& r) override { frames.push_back(r); }
    void Text(const qda::GraphRect& box, const std::string& t, unsigned flags, qda::GraphFontRole, COLORREF c,
              bool opaque, COLORREF) override {
        texts.push_back({box, t, flags, c, opaque});
    }
    void FillPolygon(const qda::GraphPoint*, int, COLORREF) override {}
    void MeasureText(const std::string&, qda::GraphFontRole, int& w, int& h) override { w = h = 0; }
    void RotatedText(int, int, const std::string&, qda::GraphFontRole, COLORREF, int) override {}
    void SetClip(const qda::GraphRect& r) override { clip = r; }
    void ClearClip() override { clip = {0, 0, width, height}; }
    void CopyTo(uint8_t*, int, int, int) override {}

    void Clear() {
        fills.clear();
        lines.clear();
        polylines.clear();
        frames.clear();
        texts.clear();
    }
    const RecordedText* FindText(const std::string& t) const {
        for (const auto& r : texts)
            if (r.text == t) return &r;
        return nullptr;
    }

    struct Fill {
        qda::GraphRect rect;
        COLORREF colour;
    };
    struct LineRec {
        int x1, y1, x2, y2;
        COLORREF colour;
    };
    int width = 0, height = 0;
    qda::GraphFont label, axis;
    COLORREF penColour = 0;
    int penWidth = 1;
    qda::GraphRect clip;
    std::vector<Fill> fills;
    std::vector<LineRec> lines;
    std::vector<RecordedPolyline> polylines;
    std::vector<qda::GraphRect> frames;
    std::vector<RecordedText> texts;
};
