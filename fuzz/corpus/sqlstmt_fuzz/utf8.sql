select "O'Brien" from t -- ?
 √©t√