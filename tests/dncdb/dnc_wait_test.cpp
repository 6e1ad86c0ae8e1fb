// WaitSeconds holds the caller for the given time on the program's clock.

#include "support/DncFixture.h"

using DncWait = DncTest;

TEST_F(DncWait, EndsAfterTheGivenSeconds)
{
    WaitSeconds(3);
    EXPECT_GE(clock.monotonicSeconds(), 3.0);
    EXPECT_LT(clock.monotonicSeconds(), 3.1);
    WaitSeconds(0);
    EXPECT_LT(clock.monotonicSeconds(), 3.1);
}

TEST_F(DncWait, AWaitAcrossMidnightEndsLikeAnyOther)
{
    clock.setNow(QDateTime(QDate(2001, 1, 1), QTime(23, 59, 59)));
    WaitSeconds(2);
    EXPECT_GE(clock.monotonicSeconds(), 2.0);
    EXPECT_LT(clock.monotonicSeconds(), 2.1);
    EXPECT_EQ(clock.now().date(), QDate(2001, 1, 2));
}
