#include "support/TestUtil.h"

#include <QThreadPool>

namespace testutil {

pid_t Fork()
{
    QThreadPool::globalInstance()->waitForDone();
    return ::fork();
}

} // namespace testutil
