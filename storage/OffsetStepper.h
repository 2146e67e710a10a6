#pragma once
// The offset buttons of a slot header: a press steps the horizontal offset by one sample, and
// while the button stays pressed a 200 ms timer steps it again, the step doubling after every
// six ticks, so that long offsets are reached quickly. The offset never leaves -65535 ... 65535
// (or the narrower limits the window sets).
namespace qda {

class COffsetStepper {
public:
    static constexpr int kLimit = 65535;
    static constexpr int kTickMs = 200;

    // The limits the offset is clamped into.
    void SetLimits(int minimum, int maximum) {
        m_min = minimum;
        m_max = maximum;
    }
    // Clamps `offset` into the limits.
    int Clamp(int offset) const { return offset < m_min ? m_min : offset > m_max ? m_max : offset; }

    // A press (or a tick) of decrease (-1) or increase (+1): the new offset. Starts a repeat run
    // when none is running (Running() tells the window to start its timer).
    int Step(int offset, int direction);
    bool Running() const { return m_running; }
    int StepSize() const { return m_step; }

    // One timer tick with the buttons' pressed states and the arrow keys held (without Ctrl).
    // Returns true with `offset` changed when a button acted; false when the run ended (the
    // window kills the timer): no button pressed, or decrease while Left is held, or increase
    // while Right is held.
    bool Tick(int& offset, bool decreasePressed, bool increasePressed, bool leftHeld, bool rightHeld);
    // Ends the run: step 1, count 0.
    void Stop();

private:
    int m_min = -kLimit;
    int m_max = kLimit;
    bool m_running = false;
    int m_step = 1;
    int m_count = 0;
};

}  // namespace qda
