#!/usr/bin/env Rscript
# Reference values from R's lm for the regression tests: data sets with
# exact linear dependencies and severe collinearity (a total beside its
# parts, units, dummy sets, copies, powers of a year, Longley's data), and,
# for every subset of each, what lm makes of it on the centred columns.
#
# Run once from the repository's root; the files it writes are committed:
#   Rscript scripts/make-lm-reference.R
# writes tests/unit/regression/lm_reference/<name>.txt, one per data set:
#   name <name>
#   columns <y> <x1> ... <xk>
#   rows <n>
#   <n lines of the raw values, y first, %.17g so they read back exactly>
#   subsets <2^k - 1>
#   <one line per mask 1 .. 2^k - 1:>
#     mask aliased rss least exact r2 adjr2 aic pF [coefficient p] per variable
# mask: bit i = column x(i+1); aliased: 1 when lm gives an NA coefficient;
# rss: lm's residual sum of squares; least: min over the subset's variables
# of 1 - R^2_j (x_j on the others, by lm); exact: 1 when rss <= 1e-20 SST;
# r2, adjr2, aic (n log(rss/n) + 2d + 2), pF (the F test's p value); the
# standardized coefficient b_j sd(x_j)/sd(y) and the t test's p value of each
# variable in bit order. "NA" where lm has no value (aliased subsets).
#
# The columns are centred exactly as the engine centres them (a running
# double sum in row order, divided by n), so lm sees the same numbers.

set.seed(20261208)
out <- file.path("tests", "unit", "regression", "lm_reference")
dir.create(out, showWarnings = FALSE, recursive = TRUE)

centre <- function(x) {
  s <- 0
  for (v in x) s <- s + v
  x - s / length(x)
}
dec <- function(n, lo, hi, places) round(runif(n, lo, hi), places)
noisy <- function(parts, factors, noise) {
  y <- round(runif(length(parts[[1]]), -noise, noise), 3)
  for (i in seq_along(parts)) y <- y + factors[i] * parts[[i]]
  y
}
num <- function(v) ifelse(is.na(v), "NA", ifelse(is.infinite(v), ifelse(v > 0, "inf", "-inf"), sprintf("%.17g", v)))

residual_share <- function(target, others) {
  ss <- sum((target - mean(target))^2)
  if (ncol(others) == 0) return(1)
  sum(lm.fit(cbind(1, others), target)$residuals^2) / ss
}

write_set <- function(name, d) {
  n <- nrow(d); k <- ncol(d) - 1
  yc <- centre(d[[1]])
  xc <- sapply(d[-1], centre)
  lines <- c(paste("name", name), paste(c("columns", names(d)), collapse = " "), paste("rows", n))
  lines <- c(lines, apply(as.matrix(d), 1, function(r) paste(num(r), collapse = " ")))
  lines <- c(lines, paste("subsets", 2^k - 1))
  sst <- sum((yc - mean(yc))^2)
  for (mask in 1:(2^k - 1)) {
    cols <- which(bitwAnd(mask, 2^(0:(k - 1))) != 0)
    dd <- length(cols)
    X <- xc[, cols, drop = FALSE]
    fit <- lm.fit(cbind(1, X), yc)
    aliased <- any(is.na(fit$coefficients)) || fit$rank < dd + 1
    rss <- sum(fit$residuals^2)
    least <- min(sapply(seq_len(dd), function(j) residual_share(X[, j], X[, -j, drop = FALSE])))
    exact <- rss <= 1e-20 * sst
    df <- n - dd - 1
    fields <- c(mask, as.integer(aliased), num(rss), num(least), as.integer(exact))
    if (aliased || df < 1) {
      fields <- c(fields, rep("NA", 4 + 2 * dd))
    } else {
      beta <- fit$coefficients[-1]
      inverse <- diag(chol2inv(qr.R(qr(cbind(1, X)))))[-1]
      mse <- rss / df
      t <- beta / sqrt(inverse * mse)
      p <- 2 * pt(-abs(t), df)
      std <- beta * apply(X, 2, sd) / sd(yc)
      r2 <- if (exact) 1 else 1 - rss / sst
      adj <- if (exact) 1 else 1 - mse / (sst / (n - 1))
      aic <- if (exact) -Inf else n * log(rss / n) + 2 * dd + 2
      f <- ((sst - rss) / dd) / mse
      pF <- if (exact) 0 else pf(f, dd, df, lower.tail = FALSE)
      fields <- c(fields, num(r2), num(adj), num(aic), num(pF), as.vector(rbind(num(std), num(p))))
    }
    lines <- c(lines, paste(fields, collapse = " "))
  }
  writeLines(lines, file.path(out, paste0(name, ".txt")))
}

n <- 24
a <- dec(n, 10, 90, 2); b <- dec(n, 5, 40, 2); c <- dec(n, -3, 3, 2)
write_set("sum_of_two", data.frame(y = noisy(list(a, b, c), c(0.5, 1.5, 2.5), 4), a = a, b = b, s = a + b, c = c))

a <- dec(n, 1, 9, 3); d <- dec(n, -1, 1, 2); b <- dec(n, 0, 5, 3); c <- dec(n, 2, 4, 3)
write_set("sum_of_three", data.frame(y = noisy(list(a, b, d), c(0.5, 1.5, 2.5), 2), a = a, d = d, b = b, c = c,
                                     total = a + b + c))

cm <- dec(n, 140, 190, 1); x <- dec(n, 0, 10, 2)
write_set("units", data.frame(y = noisy(list(cm, x), c(0.1, 1.5), 5), cm = cm, x = x, inch = cm / 2.54, x3 = 3 * x))

w <- dec(n, 100, 900, 2); z <- dec(n, -2, 2, 2)
write_set("thousandth", data.frame(y = noisy(list(w, z), c(0.01, 2), 3), w = w, z = z, kw = w * 0.001))

group <- c(1, 2, 3, sample(1:3, n - 3, replace = TRUE))
x <- dec(n, 0, 1, 3)
d1 <- as.numeric(group == 1); d2 <- as.numeric(group == 2); d3 <- as.numeric(group == 3)
write_set("dummies", data.frame(y = noisy(list(x, d1, d2), c(2, 0.7, -0.4), 0.5), x = x, d1 = d1, d2 = d2, d3 = d3))

a <- dec(n, -5, 5, 2); b <- dec(n, 0, 1, 3); c <- dec(n, 3, 7, 2)
write_set("copy", data.frame(y = noisy(list(a, b, c), c(1, 2, -1), 1), a = a, b = b, a2 = a, c = c))

year <- 1990:2020
tt <- year - 2005
write_set("year_powers", data.frame(y = round(3 + 0.2 * tt - 0.01 * tt^2 + runif(31, -1, 1), 2),
                                    year = year, year2 = year^2, year3 = year^3, year4 = year^4))

write_set("longley", data.frame(Employed = longley$Employed, longley[, 1:6]))

write_set("longley_total", data.frame(Employed = longley$Employed, GNP = longley$GNP, Unemployed = longley$Unemployed,
                                      Armed.Forces = longley$Armed.Forces, Population = longley$Population,
                                      Year = longley$Year, Idle = longley$Unemployed + longley$Armed.Forces))

x <- dec(n, 0, 10, 2)
near1 <- x + 6e-5 * 3 * dec(n, -1, 1, 3)
near2 <- x + 3e-3 * 3 * dec(n, -1, 1, 3)
w <- dec(n, -2, 2, 2)
write_set("near_collinear", data.frame(y = noisy(list(x, near1, near2, w), c(0.5, 1.5, 2.5, 0.5), 1),
                                       x = x, near1 = near1, near2 = near2, w = w))

a <- dec(n, -5, 5, 2); b <- dec(n, 0, 3, 2); c <- dec(n, 1, 2, 2); d <- dec(n, -1, 1, 2)
write_set("exact_fit", data.frame(y = 1.5 * a - 0.7 * c + 12.25, a = a, b = b, c = c, d = d))

a <- dec(n, 1e4, 1e4 + 50, 2); b <- dec(n, 2e3, 2e3 + 20, 2); c <- dec(n, 0, 1, 3)
write_set("offset_sum", data.frame(y = noisy(list(a, b, c), c(0.5, 1.5, 2.5), 10), a = a, c = c, b = b, s = a + b))
