# R's leaps on one sheet (x1 … xk, y; scripts/run-benchmarks.sh): the best
# nbest subsets of each size by regsubsets(method = "exhaustive", nbest,
# nvmax = k, really.big = TRUE), timed from the call to the summary over
# the repetitions. Prints "median lowest highest" (seconds), then one
# subset a line, sizes ascending, best first: "size: variables joined by +".
#
#   Rscript scripts/leaps-per-size.R SHEET NBEST REPETITIONS
args <- commandArgs(TRUE)
d <- read.csv(args[1])
nbest <- as.integer(args[2])
repetitions <- as.integer(args[3])
suppressMessages(library(leaps))
k <- ncol(d) - 1
x <- as.matrix(d[, 1:k]); y <- d[[k + 1]]
lists <- function() {
  fit <- regsubsets(x, y, method = "exhaustive", nbest = nbest, nvmax = k, really.big = TRUE)
  summary(fit)
}
seconds <- numeric(repetitions)
# Sys.time to the microsecond (system.time's elapsed counts whole
# milliseconds, a fifth of leaps' time on the smaller sheets).
for (r in 1:repetitions) {
  start <- Sys.time()
  s <- suppressWarnings(lists())
  seconds[r] <- as.numeric(Sys.time() - start, units = "secs")
}
cat(median(seconds), min(seconds), max(seconds), "\n")
which <- s$which[, -1, drop = FALSE]
size <- rowSums(which)
for (i in seq_len(nrow(which))) cat(size[i], ": ", paste(which(which[i, ]), collapse = "+"), "\n", sep = "")
