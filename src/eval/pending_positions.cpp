// Kinds whose factor tests have not been written yet: they load, pass through the frame and
// score nothing. Each line goes when its kind's family source defines the function.
#include "eval/kinds.h"

namespace sd::eval {

void ScoreKind33(KindContext&) {}

}  // namespace sd::eval
