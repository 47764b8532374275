object frmEmbedded: TTestEmbeddedForm
  Caption = '采购单'
  object lblTitle: TTestWidget
    Caption = '提示：'#13#10'第二行'
  end
end
