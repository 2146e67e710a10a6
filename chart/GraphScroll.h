#pragma once
// The arithmetic of the chart's horizontal scroll bar: positions in scroll-bar units (0..R)
// and in samples, the page, the clamp and the effect of each scroll action.
namespace qda {

enum class GraphScrollAction { LineLeft, LineRight, PageLeft, PageRight, Thumb, Home, End };

class GraphScroll {
public:
    // R, the range of the scroll bar in units.
    void SetResolution(int resolution) { m_resolution = resolution < 0 ? 0 : resolution; }
    int Resolution() const { return m_resolution; }
    // The sample capacity the scroll range spans (that of the trace allocated last).
    void SetCapacity(int capacity) { m_capacity = capacity < 0 ? 0 : capacity; }
    int Capacity() const { return m_capacity; }
    void SetVisibleSamples(int visible) { m_visible = visible; }

    // Thumb size in units: R x visible samples / capacity.
    int Page() const;
    // Largest position in units: R - R x min(visible samples, capacity - 1) / (capacity - 1).
    int MaxUnits() const;
    // Position in units (always within 0 .. MaxUnits after a Set).
    int Units() const { return m_units; }
    // Sets the position in units, clamped; returns true when it changed.
    bool SetUnits(int units);
    // Position in samples: units x (capacity - 1) / R.
    int Samples() const { return UnitsToSamples(m_units); }
    // Sets a sample position (units = s x R / (capacity - 1), clamped); true when it changed.
    bool SetSamples(int samples);
    int UnitsToSamples(int units) const;
    int SamplesToUnits(int samples) const;
    // The position after `action` (arrow 1 unit, page 100 units, home 0, end R), clamped;
    // `thumb` is the dragged thumb position for Thumb.
    int ActionTarget(GraphScrollAction action, int thumb = 0) const;
    // Re-applies the clamp after the capacity or visible samples changed; true when it moved.
    bool Reclamp() { return SetUnits(m_units); }

private:
    int Clamp(int units) const;
    int m_resolution = 0;
    int m_capacity = 0;
    int m_visible = 0;
    int m_units = 0;
};

}  // namespace qda
