# Writes real data sets from R's MASS and mlbench packages as sheets of
# k = 31 explanatory columns, shaped as analysts shape them: the measured
# columns, then the squares of those that take more than two values, then
# products of pairs in order until there are 31; y last. Rows with a
# missing value are left out.
#
#   Rscript scripts/make-real-sheets.R DIRECTORY    writes DIRECTORY/<name>.csv
args <- commandArgs(TRUE)
suppressMessages({ library(MASS); library(mlbench) })
k <- 31

shape <- function(d, response) {
  d <- d[complete.cases(d), ]
  y <- as.numeric(d[[response]])
  x <- d[setdiff(names(d), response)]
  x <- x[sapply(x, function(column) is.numeric(column) || is.factor(column) && nlevels(column) == 2)]
  x <- as.data.frame(lapply(x, as.numeric))
  base <- names(x)
  for (name in base) {
    if (ncol(x) >= k) break
    if (length(unique(x[[name]])) > 2) x[[paste0(name, "^2")]] <- x[[name]]^2
  }
  for (a in seq_along(base)) for (b in seq_along(base)) {
    if (a < b && ncol(x) < k) x[[paste0(base[a], "*", base[b])]] <- x[[base[a]]] * x[[base[b]]]
  }
  x <- x[, seq_len(min(k, ncol(x)))]
  names(x) <- paste0("x", seq_len(ncol(x)))
  x$y <- y
  x
}

data(Ozone, package = "mlbench")
data(PimaIndiansDiabetes, package = "mlbench")
data(BostonHousing2, package = "mlbench")
sheets <- list(
  boston = shape(MASS::Boston, "medv"),
  cars93 = shape(MASS::Cars93[c("Price", "MPG.city", "MPG.highway", "EngineSize", "Horsepower", "RPM", "Rev.per.mile",
                                "Fuel.tank.capacity", "Passengers", "Length", "Wheelbase", "Width", "Turn.circle",
                                "Rear.seat.room", "Luggage.room", "Weight")], "Price"),
  ozone = shape(Ozone[c("V4", "V5", "V6", "V7", "V8", "V9", "V10", "V11", "V12", "V13")], "V4"),
  pima = shape(PimaIndiansDiabetes, "glucose"),
  biopsy = shape(MASS::biopsy[c("V1", "V2", "V3", "V4", "V5", "V6", "V7", "V8", "V9")], "V1")
)
for (name in names(sheets)) {
  write.csv(sheets[[name]], file.path(args[1], paste0(name, ".csv")), row.names = FALSE)
  cat(name, nrow(sheets[[name]]), ncol(sheets[[name]]) - 1, "\n")
}
