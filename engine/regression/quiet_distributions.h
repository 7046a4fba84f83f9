#pragma once
// The t and F distributions as the statistics use them.
//
// Arguments the distributions cannot take are caught by the callers before
// they are passed; this policy is the second line: whatever the library
// would still reject gives NaN (or its limit) instead of an exception, so
// nothing from it can end a search. The distributions compute in double
// rather than promoting to long double: long double is the x87 unit on x86,
// whose precision the host process may have lowered, while double
// arithmetic is SSE2 everywhere and gives the same bits in every build and
// every host.
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>

namespace quiet_distributions {
namespace policies = boost::math::policies;
using QuietPolicy = policies::policy<policies::domain_error<policies::ignore_error>,
                                     policies::pole_error<policies::ignore_error>,
                                     policies::overflow_error<policies::ignore_error>,
                                     policies::evaluation_error<policies::ignore_error>,
                                     policies::rounding_error<policies::ignore_error>,
                                     policies::promote_float<false>, policies::promote_double<false>>;
}  // namespace quiet_distributions

using TDistribution = boost::math::students_t_distribution<double, quiet_distributions::QuietPolicy>;
using FDistribution = boost::math::fisher_f_distribution<double, quiet_distributions::QuietPolicy>;
