#pragma once

// Replaces a seam (a replaceable platform call, declared in a `<module>_seams.h`) for as
// long as it lives, and puts the original back when it goes, so that a failing assertion,
// which leaves the test early, cannot leave a fake behind for the tests that follow.
//
//     ScopedSeam seam(g_writeFileCall, FailingWrite);
template <typename Call>
class ScopedSeam
{
public:
    // The seam's type decides; the fake only has to convert to it.
    template <typename Fake>
    ScopedSeam(Call& seam, Fake fake) : seam_(seam), original_(seam)
    {
        seam_ = fake;
    }
    ~ScopedSeam() { seam_ = original_; }
    ScopedSeam(const ScopedSeam&) = delete;
    ScopedSeam& operator=(const ScopedSeam&) = delete;

private:
    Call& seam_;
    const Call original_;
};

