# Reference lists for tavrel's --per-size, --force, -c bic and -c cp: the
# leaps package's exhaustive regsubsets on the data sets of the model-table
# oracle (written by make-models-oracle.R). Run from this folder:
#   Rscript make-subsets-oracle.R
# It writes <name>-leaps.csv: per tavrel command line (arguments), one row
# per expected model (size, rank, variables, rss, criterion). The values are
# committed; the test only reads them.
library(leaps)

dependents <- c(cement = "y", longley = "employed", stackloss = "loss", mtcars = "mpg", swiss = "fertility")
num <- function(x) trimws(formatC(x, digits = 17, format = "g"))

# The models of a regsubsets fit as rows: size, variables, rss (the
# intercept is in every model and not counted).
models <- function(fit, xs) {
  s <- summary(fit)
  which <- s$which[, xs, drop = FALSE]
  data.frame(size = rowSums(which), variables = apply(which, 1, function(w) paste(xs[w], collapse = "+")),
             rss = s$rss, cp = s$cp, stringsAsFactors = FALSE)
}

for (name in names(dependents)) {
  d <- read.csv(paste0(name, ".csv"))
  yname <- dependents[[name]]
  xs <- setdiff(names(d), yname)
  k <- length(xs)
  n <- nrow(d)
  f <- reformulate(xs, yname)
  rows <- list()
  add <- function(arguments, m, criterion, perSize = TRUE) {
    m$rank <- if (perSize) ave(m$rss, m$size, FUN = seq_along) else seq_len(nrow(m))
    rows[[length(rows) + 1]] <<- data.frame(arguments = arguments, size = m$size, rank = m$rank,
                                            variables = m$variables, rss = num(m$rss),
                                            criterion = num(criterion), stringsAsFactors = FALSE)
  }
  # nbest per size, ranked by RSS within each size (leaps' own order).
  for (nbest in c(1, 3)) {
    m <- models(regsubsets(f, data = d, nbest = nbest, nvmax = k, method = "exhaustive"), xs)
    add(paste("-c rss --per-size", nbest), m, m$rss)
  }
  # Forced variables: the first, and the first two. leaps leaves out the
  # model that holds only the forced variables; tavrel lists it too.
  for (forced in list(1, 1:2)) {
    m <- models(regsubsets(f, data = d, nbest = 2, nvmax = k, force.in = forced, method = "exhaustive"), xs)
    add(paste("-c rss --per-size 2", paste("--force", xs[forced], collapse = " ")), m, m$rss)
  }
  # One list over every size by Cp and by BIC (n ln(RSS/n) + d ln n): every
  # subset from leaps, sorted, the best five.
  all <- models(regsubsets(f, data = d, nbest = choose(k, k %/% 2), nvmax = k, method = "exhaustive"), xs)
  stopifnot(nrow(all) == 2^k - 1)
  bic <- n * log(all$rss / n) + all$size * log(n)
  for (criterion in c("cp", "bic")) {
    value <- if (criterion == "cp") all$cp else bic
    best <- order(value)[1:5]
    add(paste("-k 5 -c", criterion), all[best, ], value[best], perSize = FALSE)
  }
  table <- do.call(rbind, rows)
  write.csv(table, paste0(name, "-leaps.csv"), row.names = FALSE, quote = FALSE)
  cat(name, ":", nrow(table), "rows\n")
}

# Few rows: the first 11 cars of mtcars with all ten of its explanatory
# columns (n = k + 1: the model with every variable has no residual degree
# of freedom, and a ranked model holds at most n − 2 = 9 of them; the
# corrected AIC, AIC + 2p(p + 1)/(n − p − 1) with p = d + 1, at most 8).
# Fewer rows than that would make leaps drop a column as linearly dependent,
# so n = k + 1 is the fewest it answers for. Writes mtcars11.csv and
# mtcars11-leaps.csv.
few <- mtcars[1:11, ]
write.csv(few, "mtcars11.csv", row.names = FALSE, quote = FALSE)
xs <- setdiff(names(few), "mpg")
n <- nrow(few)
f <- reformulate(xs, "mpg")
aicc <- function(rss, d) n * log(rss / n) + 2 * d + 2 * (d + 1) * (d + 2) / (n - d - 2)
rows <- list()
add <- function(arguments, m, criterion, perSize = TRUE) {
  m$rank <- if (perSize) ave(m$rss, m$size, FUN = seq_along) else seq_len(nrow(m))
  rows[[length(rows) + 1]] <<- data.frame(arguments = arguments, size = m$size, rank = m$rank,
                                          variables = m$variables, rss = num(m$rss),
                                          criterion = num(criterion), stringsAsFactors = FALSE)
}
for (nbest in c(1, 3)) {
  m <- models(regsubsets(f, data = few, nbest = nbest, nvmax = n - 3, method = "exhaustive"), xs)
  add(paste("-c aicc --per-size", nbest), m, aicc(m$rss, m$size))
  m <- models(regsubsets(f, data = few, nbest = nbest, nvmax = n - 2, method = "exhaustive"), xs)
  add(paste("-c rss --per-size", nbest), m, m$rss)
}
# The ten best over every size: within a size each criterion orders by RSS,
# so they are among the ten best of their size.
tops <- models(regsubsets(f, data = few, nbest = 10, nvmax = n - 2, method = "exhaustive"), xs)
for (criterion in c("aicc", "aic")) {
  value <- if (criterion == "aicc") ifelse(tops$size <= n - 3, aicc(tops$rss, tops$size), Inf)
           else n * log(tops$rss / n) + 2 * tops$size
  best <- order(value)[1:10]
  add(paste("-k 10 -c", criterion), tops[best, ], value[best], perSize = FALSE)
}
write.csv(do.call(rbind, rows), "mtcars11-leaps.csv", row.names = FALSE, quote = FALSE)
