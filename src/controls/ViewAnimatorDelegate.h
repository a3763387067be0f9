#pragma once

// Told when a ViewAnimator's slide starts and when it has run to its end.
class ViewAnimatorDelegate
{
public:
    virtual ~ViewAnimatorDelegate() = default;
    virtual void animationStarted() {}
    virtual void animationFinished() {}
};
