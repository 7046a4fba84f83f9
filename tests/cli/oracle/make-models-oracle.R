# Reference values for tavrel's model table: every subset of each data set
# fitted by R's lm, with the statistics tavrel reports. Run from this folder:
#   Rscript make-models-oracle.R
# It writes <name>.csv (the data, as tavrel reads it) and <name>-lm.csv (one
# row per subset). The values are committed; the test only reads them.

# A total beside its parts (s = a + b, non-integer values): lm aliases s in
# every subset that holds all three, and tavrel must leave those out.
set.seed(14)
dependency <- data.frame(a = round(runif(20, 1, 9), 3), b = round(runif(20, 1, 9), 3), c = round(rnorm(20), 3))
dependency$s <- dependency$a + dependency$b
dependency$y <- round(1.5 * dependency$a - 0.7 * dependency$c + rnorm(20), 3)

data.sets <- list(
  dependency = dependency,
  cement = read.csv("../../../examples/cement.csv"),
  longley = data.frame(year = longley$Year, deflator = longley$GNP.deflator, gnp = longley$GNP,
                       unemployed = longley$Unemployed, forces = longley$Armed.Forces,
                       population = longley$Population, employed = longley$Employed),
  stackloss = data.frame(air = stackloss$Air.Flow, water = stackloss$Water.Temp,
                         acid = stackloss$Acid.Conc., loss = stackloss$stack.loss),
  mtcars = mtcars[, c("mpg", "cyl", "disp", "hp", "drat", "wt", "qsec")],
  swiss = data.frame(fertility = swiss$Fertility, agriculture = swiss$Agriculture,
                     examination = swiss$Examination, education = swiss$Education,
                     catholic = swiss$Catholic, mortality = swiss$Infant.Mortality)
)
dependents <- c(dependency = "y", cement = "y", longley = "employed", stackloss = "loss", mtcars = "mpg", swiss = "fertility")

num <- function(x) ifelse(is.finite(x), trimws(formatC(x, digits = 17, format = "g")), "")

for (name in names(data.sets)) {
  d <- data.sets[[name]]
  write.csv(d, paste0(name, ".csv"), row.names = FALSE, quote = FALSE)
  yname <- dependents[[name]]
  xs <- setdiff(names(d), yname)
  k <- length(xs)
  n <- nrow(d)
  full <- lm(reformulate(xs, yname), data = d)
  s2full <- sum(residuals(full)^2) / full$df.residual
  rows <- list()
  for (m in 1:(2^k - 1)) {
    chosen <- xs[bitwAnd(m, 2^(0:(k - 1))) > 0]
    fit <- lm(reformulate(chosen, yname), data = d)
    if (any(is.na(coef(fit)))) next  # aliased: not a model
    s <- summary(fit)
    co <- s$coefficients
    dd <- length(chosen)
    rss <- sum(residuals(fit)^2)
    row <- c(variables = paste(chosen, collapse = "+"), size = dd,
             rss = num(rss), mse = num(rss / fit$df.residual), r2 = num(s$r.squared),
             adj_r2 = num(s$adj.r.squared), aic = num(extractAIC(fit)[2]),
             bic = num(n * log(rss / n) + dd * log(n) + 2),
             cp = num(rss / s2full - n + 2 * (dd + 1)),
             f = num(s$fstatistic[["value"]]),
             f_p = num(pf(s$fstatistic[["value"]], s$fstatistic[["numdf"]], s$fstatistic[["dendf"]],
                          lower.tail = FALSE)))
    for (x in xs) {
      if (x %in% chosen) {
        row[paste0(x, c("", "_se", "_t", "_p"))] <- num(co[x, 1:4])
      } else {
        row[paste0(x, c("", "_se", "_t", "_p"))] <- ""
      }
    }
    row["intercept"] <- num(co["(Intercept)", 1])
    row["intercept_se"] <- num(co["(Intercept)", 2])
    rows[[length(rows) + 1]] <- row
  }
  table <- do.call(rbind, rows)
  write.csv(table, paste0(name, "-lm.csv"), row.names = FALSE, quote = FALSE)
  cat(name, ":", nrow(table), "subsets of", k, "variables,", n, "rows\n")
}
