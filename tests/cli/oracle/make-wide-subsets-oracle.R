# Reference lists for tavrel beyond 31 explanatory variables: the leaps
# package's exhaustive regsubsets on the Sonar data of the mlbench package
# (208 rows, 60 bands of a sonar return; Debian's r-cran-mlbench), one band
# as y and its neighbours as candidates. Run from this folder:
#   Rscript make-wide-subsets-oracle.R
# It writes sonar<k>.csv (the sheet, its doubles printed to 17 digits) and
# sonar<k>-leaps.csv: per tavrel command line (arguments), one row per
# expected model (size, rank, variables, rss, criterion), as
# make-subsets-oracle.R does. The models and their order are leaps'; the RSS
# of each is lm's (QR) on the same sheet, since leaps' own value is only
# good to about 1e-9 relative on these data (2.58276194569 for the best
# single band, where exact rational arithmetic on the sheet's doubles and
# lm both give 2.58276194717760). leaps_rss keeps its value. The values are
# committed; the test only reads them. (leaps takes about a second at
# k = 34 and over a minute at k = 40.)
library(leaps)
library(mlbench)
data(Sonar)

num <- function(x) trimws(formatC(x, digits = 17, format = "g"))

models <- function(fit, xs) {
  s <- summary(fit)
  which <- s$which[, xs, drop = FALSE]
  data.frame(size = rowSums(which), variables = apply(which, 1, function(w) paste(xs[w], collapse = "+")),
             rss = s$rss, stringsAsFactors = FALSE)
}

# y is band V20; the candidates are bands V1 … V(k + 1) without it.
sheet <- function(k) {
  xs <- setdiff(paste0("V", 1:(k + 1)), "V20")
  d <- Sonar[, c("V20", xs)]
  names(d)[1] <- "y"
  d
}

for (k in c(34, 40)) {
  d <- sheet(k)
  name <- paste0("sonar", k)
  out <- d
  for (column in names(out)) out[[column]] <- num(out[[column]])
  write.csv(out, paste0(name, ".csv"), row.names = FALSE, quote = FALSE)
  xs <- setdiff(names(d), "y")
  f <- reformulate(xs, "y")
  rows <- list()
  add <- function(arguments, m) {
    m$rank <- ave(m$rss, m$size, FUN = seq_along)
    refit <- sapply(m$variables, function(v) deviance(lm(reformulate(strsplit(v, "+", fixed = TRUE)[[1]], "y"), d)))
    rows[[length(rows) + 1]] <<- data.frame(arguments = arguments, size = m$size, rank = m$rank,
                                            variables = m$variables, rss = num(refit),
                                            criterion = num(refit), leaps_rss = num(m$rss),
                                            stringsAsFactors = FALSE)
  }
  m <- models(regsubsets(f, data = d, nbest = 1, nvmax = k, method = "exhaustive", really.big = TRUE), xs)
  add("-c rss --per-size 1", m)
  if (k == 34) {
    # Two forced variables at the high end of the masks (the last two
    # candidates), two per size.
    forced <- c(k - 1, k)
    m <- models(regsubsets(f, data = d, nbest = 2, nvmax = k, force.in = forced, method = "exhaustive",
                           really.big = TRUE), xs)
    add(paste("-c rss --per-size 2", paste("--force", xs[forced], collapse = " ")), m)
  }
  write.csv(do.call(rbind, rows), paste0(name, "-leaps.csv"), row.names = FALSE, quote = FALSE)
  cat(name, ":", sum(sapply(rows, nrow)), "rows\n")
}

# Two of the benchmark's hard kinds at k = 34 (longley34.csv: Longley's six
# collinear columns and noise; far-scales34.csv: column scales from 1e-6 to
# 1e9), written by the benchmark program (build/native/bench/per_size_bench
# --write-csv=FILE longley 34, and scales_1e-6_to_1e9 34): the best model of
# each size, RSS from lm as above.
for (name in c("longley34", "far-scales34")) {
  d <- read.csv(paste0(name, ".csv"))
  xs <- setdiff(names(d), "y")
  k <- length(xs)
  rows <- list()
  add <- function(arguments, m) {
    m$rank <- ave(m$rss, m$size, FUN = seq_along)
    refit <- sapply(m$variables, function(v) deviance(lm(reformulate(strsplit(v, "+", fixed = TRUE)[[1]], "y"), d)))
    rows[[length(rows) + 1]] <<- data.frame(arguments = arguments, size = m$size, rank = m$rank,
                                            variables = m$variables, rss = num(refit),
                                            criterion = num(refit), leaps_rss = num(m$rss),
                                            stringsAsFactors = FALSE)
  }
  m <- models(regsubsets(reformulate(xs, "y"), data = d, nbest = 1, nvmax = k, method = "exhaustive",
                         really.big = TRUE), xs)
  add("-c rss --per-size 1", m)
  write.csv(do.call(rbind, rows), paste0(name, "-leaps.csv"), row.names = FALSE, quote = FALSE)
  cat(name, ":", sum(sapply(rows, nrow)), "rows\n")
}
