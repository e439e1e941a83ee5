#pragma once

// The red of an animated background: up by one each step until it reaches `top`, then down
// to 0, then up again.
class Sweep
{
public:
    explicit constexpr Sweep(int top) : m_top(top) {}
    int value() const { return m_value; }
    // As many steps at once; a whole cycle up and down changes nothing.
    void advance(long long steps)
    {
        for (long long n = steps % (2LL * m_top); n > 0; --n)
            step();
    }
    void step()
    {
        if (m_rising) {
            if (++m_value == m_top)
                m_rising = false;
        } else {
            if (--m_value == 0)
                m_rising = true;
        }
    }

private:
    int m_top;
    int m_value = 0;
    bool m_rising = true;
};
